// The URL hand-in payload and its answer on arbitrary bytes: never a crash, and whatever
// decodes comes back the same after another trip.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "store/url_hand_in.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<fw::AddJobRequest> got;
  if (fw::decodeHandIn(text, got, nullptr)) {
    std::vector<fw::AddJobRequest> again;
    if (!fw::decodeHandIn(fw::encodeHandIn(got), again, nullptr) || again.size() != got.size())
      std::abort();
    for (size_t i = 0; i < got.size(); ++i)
      if (again[i].url != got[i].url || again[i].saveDir != got[i].saveDir ||
          again[i].password != got[i].password || again[i].splitCount != got[i].splitCount)
        std::abort();
  }
  auto answer = fw::decodeHandInAnswer(text);
  if (fw::decodeHandInAnswer(fw::encodeHandInAnswer(answer)).size() != answer.size()) std::abort();
  return 0;
}

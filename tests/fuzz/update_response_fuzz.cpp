// The update server's answer on arbitrary bytes: the head parser and the version line,
// with the invariants the check relies on (the body lies inside what was read, and only
// a strict "ver=d.ddd" line ever gives an answer).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "jobs/update_response.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  fw::UpdateHead head;
  int parsed = fw::parseUpdateHead(bytes, head);
  if (parsed == 1) {
    if (head.bodyStart > bytes.size()) std::abort();
    if (head.status < 0 || head.status > 999) std::abort();
    bytes.remove_prefix(head.bodyStart);
  }
  int result = fw::updateResultFromBody(bytes);
  if (result != fw::kUpdateNoInfo) {
    if (bytes.size() < 9 || bytes.substr(0, 4) != "ver=") std::abort();
    int version = fw::parseVersionText(bytes.substr(4, 5));
    if (version < 0 || (result == fw::kUpdateNewer) != (version > fw::kOwnVersion)) std::abort();
  }
  return 0;
}

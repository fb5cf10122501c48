// The URL list a second start of the desktop program sends: any bytes decode to at most
// kMaxOfferedUrls lines free of control characters, and those encode back to themselves.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "store/url_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> urls =
      fw::decodeUrlList(std::string_view(reinterpret_cast<const char*>(data), size));
  if (urls.size() > fw::kMaxOfferedUrls) std::abort();
  if (fw::decodeUrlList(fw::encodeUrlList(urls)) != urls) std::abort();
  return 0;
}

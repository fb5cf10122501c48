// Any text either parses or is refused; what parses must write out and read back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/registry_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  fw::RegNode top;
  std::string error;
  if (!fw::parseRegText(text, top, error)) {
    if (error.empty() || !top.empty()) std::abort();
    return 0;
  }
  std::string written = fw::formatRegText(top);
  fw::RegNode again;
  if (!fw::parseRegText(written, again, error)) std::abort();
  if (fw::formatRegText(again) != written) std::abort();
  return 0;
}

#pragma once
// The payload of kControlOfferUrls (platform/control_kinds.h): URLs one per line, sent by a
// second start of the desktop program to the running one. Decoding skips empty lines and
// lines with control characters (a CR before the LF is dropped) and keeps at most
// kMaxOfferedUrls. Any thread.

#include <string>
#include <string_view>
#include <vector>

namespace fw {

inline constexpr size_t kMaxOfferedUrls = 10000;

// URLs that are empty or hold control characters are left out.
std::string encodeUrlList(const std::vector<std::string>& urls);
std::vector<std::string> decodeUrlList(std::string_view payload);

}  // namespace fw

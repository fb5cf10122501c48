#include "store/url_list.h"

#include <algorithm>

namespace fw {

namespace {

bool hasControlCharacter(std::string_view s) {
  return std::any_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

}  // namespace

std::string encodeUrlList(const std::vector<std::string>& urls) {
  std::string out;
  for (const std::string& u : urls) {
    if (u.empty() || hasControlCharacter(u)) continue;
    out += u;
    out += '\n';
  }
  return out;
}

std::vector<std::string> decodeUrlList(std::string_view payload) {
  std::vector<std::string> out;
  while (!payload.empty() && out.size() < kMaxOfferedUrls) {
    size_t end = payload.find('\n');
    std::string_view line = payload.substr(0, end);
    payload = end == std::string_view::npos ? std::string_view() : payload.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && !hasControlCharacter(line)) out.emplace_back(line);
  }
  return out;
}

}  // namespace fw

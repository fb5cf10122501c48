#include "engine/url/base64.h"

#include <cstdint>

namespace fw {

std::string base64Encode(std::string_view text) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((text.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= text.size(); i += 3) {
    uint32_t v = static_cast<uint8_t>(text[i]) << 16 | static_cast<uint8_t>(text[i + 1]) << 8 |
                 static_cast<uint8_t>(text[i + 2]);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  size_t left = text.size() - i;
  if (left > 0) {
    uint32_t v = static_cast<uint8_t>(text[i]) << 16;
    if (left == 2) v |= static_cast<uint8_t>(text[i + 1]) << 8;
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += left == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

}  // namespace fw

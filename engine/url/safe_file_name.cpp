#include "engine/url/safe_file_name.h"

#include <cctype>

#include "engine/url/percent_decode.h"

namespace fw {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string latin1ToUtf8(std::string_view s) {
  std::string out;
  for (unsigned char c : s) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// `filename*=` value: charset ' language ' percent-encoded text.
std::string extendedName(std::string_view v) {
  size_t q1 = v.find('\'');
  if (q1 == std::string_view::npos) return {};
  size_t q2 = v.find('\'', q1 + 1);
  if (q2 == std::string_view::npos) return {};
  std::string charset = lower(trimBlanks(v.substr(0, q1)));
  std::string decoded = percentDecode(v.substr(q2 + 1));
  if (charset == "utf-8") return decoded;
  if (charset == "iso-8859-1") return latin1ToUtf8(decoded);
  return {};  // a charset we cannot convert: fall back to filename=
}

}  // namespace

std::string safeFileName(std::string_view raw, std::string_view fallback) {
  size_t cut = raw.find_last_of("/\\");
  if (cut != std::string_view::npos) raw.remove_prefix(cut + 1);
  std::string name;
  name.reserve(raw.size());
  for (char c : raw) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) continue;
    name.push_back(c);
  }
  std::string_view t = trimBlanks(name);
  if (t.size() > kMaxFileNameBytes) {
    size_t n = kMaxFileNameBytes;
    // Back off over continuation bytes so that no UTF-8 sequence is split.
    while (n > 0 && (static_cast<unsigned char>(t[n]) & 0xC0) == 0x80) --n;
    t = trimBlanks(t.substr(0, n));
  }
  if (t.empty() || t == "." || t == "..") return std::string(fallback);
  return std::string(t);
}

std::string dispositionFileName(std::string_view value) {
  std::string low = lower(value);
  size_t star = low.find("filename*=");
  if (star != std::string::npos) {
    std::string_view v = value.substr(star + 10);
    size_t end = v.find(';');
    std::string name = extendedName(trimBlanks(v.substr(0, end)));
    if (!name.empty()) return name;
  }
  size_t at = low.find("filename=");
  if (at == std::string::npos) return {};
  std::string_view v = value.substr(at + 9);
  while (!v.empty() && isBlank(v.front())) v.remove_prefix(1);
  std::string name;
  if (!v.empty() && v.front() == '"') {
    for (size_t i = 1; i < v.size() && v[i] != '"'; ++i) {
      if (v[i] == '\\' && i + 1 < v.size()) ++i;
      name.push_back(v[i]);
    }
    return name;
  }
  size_t end = v.find(';');
  return std::string(trimBlanks(v.substr(0, end)));
}

}  // namespace fw

#include "platform/cookie_file.h"

#include <limits>

namespace fw {
namespace {

constexpr std::string_view kHttpOnlyPrefix = "#HttpOnly_";

bool isControl(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7f;
}

bool parseFlag(std::string_view s, bool& out) {
  auto eq = [&](std::string_view word) {
    if (s.size() != word.size()) return false;
    for (size_t i = 0; i < s.size(); ++i) {
      char c = s[i];
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
      if (c != word[i]) return false;
    }
    return true;
  };
  if (eq("TRUE")) {
    out = true;
    return true;
  }
  if (eq("FALSE")) {
    out = false;
    return true;
  }
  return false;
}

bool parseExpiry(std::string_view s, int64_t& out) {
  if (s.empty()) return false;
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    int d = c - '0';
    if (v > (std::numeric_limits<int64_t>::max() - d) / 10) return false;
    v = v * 10 + d;
  }
  out = v;
  return true;
}

}  // namespace

bool cookieIsValid(const Cookie& c) {
  if (c.domain.empty() || c.name.empty() || c.path.empty() || c.path[0] != '/') return false;
  if (c.expiry < 0) return false;
  for (char ch : c.domain) {
    if (isControl(ch) || ch == ' ') return false;
  }
  for (char ch : c.path) {
    if (isControl(ch)) return false;
  }
  for (char ch : c.name) {
    if (isControl(ch) || ch == ' ' || ch == '=' || ch == ';') return false;
  }
  for (char ch : c.value) {
    if (isControl(ch) || ch == ';') return false;
  }
  // A domain that begins with the HTTP-only marker would read back as a different cookie.
  if (c.domain[0] == '#') return false;
  return true;
}

bool parseCookieLine(std::string_view line, Cookie& out) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  Cookie c;
  if (line.substr(0, kHttpOnlyPrefix.size()) == kHttpOnlyPrefix) {
    c.httpOnly = true;
    line.remove_prefix(kHttpOnlyPrefix.size());
  } else if (line.empty() || line[0] == '#') {
    return false;
  }
  std::string_view fields[7];
  size_t count = 0;
  size_t start = 0;
  while (count < 7) {
    size_t tab = count < 6 ? line.find('\t', start) : std::string_view::npos;
    if (tab == std::string_view::npos) {
      fields[count++] = line.substr(start);
      break;
    }
    fields[count++] = line.substr(start, tab - start);
    start = tab + 1;
  }
  if (count < 6) return false;
  c.domain = std::string(fields[0]);
  c.path = std::string(fields[2]);
  c.name = std::string(fields[5]);
  if (count == 7) c.value = std::string(fields[6]);
  if (!parseFlag(fields[1], c.includeSubdomains) || !parseFlag(fields[3], c.secure) ||
      !parseExpiry(fields[4], c.expiry) || !cookieIsValid(c)) {
    return false;
  }
  out = std::move(c);
  return true;
}

std::vector<Cookie> parseCookieFile(std::string_view text, size_t* badLines) {
  std::vector<Cookie> cookies;
  size_t bad = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string_view::npos) nl = text.size();
    std::string_view line = text.substr(start, nl - start);
    start = nl + 1;
    Cookie c;
    if (parseCookieLine(line, c)) {
      cookies.push_back(std::move(c));
      continue;
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    bool comment = line.empty() ||
                   (line[0] == '#' && line.substr(0, kHttpOnlyPrefix.size()) != kHttpOnlyPrefix);
    if (!comment) ++bad;
  }
  if (badLines) *badLines = bad;
  return cookies;
}

std::string formatCookieFile(const std::vector<Cookie>& cookies) {
  std::string out =
      "# Netscape HTTP Cookie File\n"
      "# Cookies handed over by the browser for Fetchwright's downloads.\n\n";
  for (const Cookie& c : cookies) {
    if (!cookieIsValid(c)) continue;
    if (c.httpOnly) out += kHttpOnlyPrefix;
    out += c.domain;
    out += c.includeSubdomains ? "\tTRUE\t" : "\tFALSE\t";
    out += c.path;
    out += c.secure ? "\tTRUE\t" : "\tFALSE\t";
    out += std::to_string(c.expiry);
    out += '\t';
    out += c.name;
    out += '\t';
    out += c.value;
    out += '\n';
  }
  return out;
}

}  // namespace fw

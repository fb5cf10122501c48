#pragma once
// Cookies and the Netscape cookies.txt text that holds them: one cookie a line, seven fields
// separated by tabs:
//   domain  include-subdomains  path  secure  expiry  name  value
// e.g. ".example.com\tTRUE\t/\tFALSE\t1893456000\tsid\tabc". Flags are TRUE or FALSE, the expiry
// is in seconds since the epoch (0: a session cookie). A line starting with "#HttpOnly_" is an
// HTTP-only cookie; any other line starting with "#" is a comment.
//
// Lines that do not make a usable cookie are skipped, never fatal: wrong field count, a flag
// that is not TRUE/FALSE, an expiry that is not a non-negative integer, a path not starting with
// "/", an empty domain or name, and names or values that could not be sent safely in a Cookie
// header (control characters, ";", and for names also "=", space and tab).
// Pure functions, any thread.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

struct Cookie {
  std::string domain;  // as stored; a leading "." also marks a domain cookie
  bool includeSubdomains = false;
  std::string path = "/";
  bool secure = false;
  int64_t expiry = 0;  // seconds since the epoch; 0 = session cookie
  std::string name;
  std::string value;
  bool httpOnly = false;
  bool operator==(const Cookie&) const = default;
};

// True when the cookie could be written as a line and sent in a header (rules above).
bool cookieIsValid(const Cookie& c);

// One line (without its newline; a trailing "\r" is ignored). False for comments, blank lines
// and bad lines.
bool parseCookieLine(std::string_view line, Cookie& out);

// Every good line of `text`, in file order. `badLines` (when given) counts the lines skipped
// as bad (comments and blank lines are not bad).
std::vector<Cookie> parseCookieFile(std::string_view text, size_t* badLines = nullptr);

// The file text: a "# Netscape HTTP Cookie File" heading, then one line per valid cookie
// (invalid ones are left out).
std::string formatCookieFile(const std::vector<Cookie>& cookies);

}  // namespace fw

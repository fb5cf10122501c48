// The first line is a request URL, the rest a cookies.txt file. Parsing never fails hard, what is
// written reads back the same, and the header for the URL can never carry a line break.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/cookie_jar.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  size_t nl = input.find('\n');
  std::string url = input.substr(0, nl);
  std::string text = nl == std::string::npos ? std::string() : input.substr(nl + 1);

  std::vector<fw::Cookie> cookies = fw::parseCookieFile(text);
  for (const fw::Cookie& c : cookies) {
    if (!fw::cookieIsValid(c)) std::abort();
  }
  if (fw::parseCookieFile(fw::formatCookieFile(cookies)) != cookies) std::abort();

  std::string header = fw::cookieHeaderFor(cookies, url, 1700000000);
  if (header.find_first_of("\r\n", 0) != std::string::npos) std::abort();
  return 0;
}

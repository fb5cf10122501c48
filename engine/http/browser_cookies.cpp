#include "engine/http/browser_cookies.h"

#include "engine/http/http_request.h"

namespace fw {

bool attachBrowserCookies(UrlParts& target, uint32_t checkBits, bool firstRole,
                          const CookieLookup& lookup) {
  if (!(checkBits & checkbits::kBrowserCookies) || !firstRole || !lookup) return false;
  std::string text = lookup(target.url);
  if (text.empty()) return false;
  target.cookie = std::move(text);
  return true;
}

}  // namespace fw

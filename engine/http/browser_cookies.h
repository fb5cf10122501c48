#pragma once
// Taking the browser's cookies for a Role's URL at the start of a run.

#include <cstdint>
#include <functional>
#include <string>

#include "engine/url/url_parts.h"

namespace fw {

// Returns the Cookie header text the browser would send for a URL, "" for none.
// CookieJar::cookiesFor (platform/cookie_jar.h) fits.
using CookieLookup = std::function<std::string(const std::string& url)>;

// When `checkBits` has kBrowserCookies (0x02) and this is the job's first Role: a
// non-empty answer of `lookup` for target.url becomes target.cookie; an empty answer
// (or no lookup) leaves the cookie as it was. Returns true when the cookie was set.
// Role thread.
bool attachBrowserCookies(UrlParts& target, uint32_t checkBits, bool firstRole,
                          const CookieLookup& lookup);

}  // namespace fw

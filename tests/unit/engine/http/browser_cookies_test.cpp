#include <gtest/gtest.h>

#include "engine/http/browser_cookies.h"
#include "engine/http/http_request.h"

namespace fw {
namespace {

TEST(AttachBrowserCookies, OnlyTheFirstRoleWithTheOptionTakesANonEmptyAnswer) {
  std::string askedFor;
  CookieLookup jar = [&](const std::string& url) {
    askedFor = url;
    return url.find("known") != std::string::npos ? std::string("sid=1; pref=2") : std::string();
  };
  struct Case {
    const char* url;
    uint32_t check;
    bool first;
    const char* cookie;
  } cases[] = {
      {"http://known/a", checkbits::kBrowserCookies, true, "sid=1; pref=2"},
      {"http://known/a", checkbits::kSendReferer, true, "old=0"},
      {"http://known/a", checkbits::kBrowserCookies, false, "old=0"},
      {"http://other/a", checkbits::kBrowserCookies, true, "old=0"},
  };
  for (const Case& c : cases) {
    UrlParts t;
    t.url = c.url;
    t.cookie = "old=0";
    EXPECT_EQ(attachBrowserCookies(t, c.check, c.first, jar), std::string(c.cookie) != "old=0");
    EXPECT_EQ(t.cookie, c.cookie) << c.url << " " << c.check << " " << c.first;
  }
  EXPECT_EQ(askedFor, "http://other/a");
  UrlParts t;
  EXPECT_FALSE(attachBrowserCookies(t, checkbits::kBrowserCookies, true, nullptr));
}

}  // namespace
}  // namespace fw

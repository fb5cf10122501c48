#include <gtest/gtest.h>

#include "engine/url/location_resolve.h"

namespace fw {
namespace {

UrlParts base(uint8_t protocol, int port, const char* path) {
  UrlParts p;
  p.protocol = protocol;
  p.host = "h.example";
  p.port = port;
  p.path = path;
  return p;
}

TEST(ResolveLocation, Table) {
  struct Case {
    uint8_t protocol;
    int port;
    const char* path;
    const char* value;
    const char* url;
  } cases[] = {
      {kProtoHttp, 80, "/dir/a.htm", "index2.htm", "http://h.example/dir/index2.htm"},
      {kProtoHttp, 8080, "/dir/a.htm", "index2.htm", "http://h.example:8080/dir/index2.htm"},
      {kProtoHttps, 443, "/dir/a.htm", "index2.htm", "https://h.example/dir/index2.htm"},
      {kProtoHttps, 8443, "/dir/a.htm", "/x/y", "https://h.example:8443/x/y"},
      {kProtoHttp, 80, "/dir/sub/a.htm", "../x", "http://h.example/dir/x"},
      {kProtoHttp, 80, "/dir/sub/a.htm", "../../../../x", "http://h.example/x"},
      {kProtoHttp, 80, "/dir/a.htm", "./x", "http://h.example/dir/x"},
      {kProtoHttp, 80, "/dir/a.htm", "./.", "http://h.example/dir/"},
      {kProtoHttp, 80, "/dir/a.htm", "/xy", "http://h.example/xy"},
      {kProtoHttp, 80, "/dir/a.htm", "/a/./b/../c", "http://h.example/a/c"},
      {kProtoHttps, 8443, "/dir/a.htm", "//other/x", "https://other/x"},
      {kProtoHttp, 80, "/dir/a.htm?old=1", "?q=2", "http://h.example/dir/a.htm?q=2"},
      {kProtoHttp, 80, "/dir/a.htm?old=1", "b.htm?z", "http://h.example/dir/b.htm?z"},
      {kProtoHttp, 80, "/dir/a.htm", "b.htm#frag", "http://h.example/dir/b.htm"},
      {kProtoHttp, 80, "", "abc", "http://h.example/abc"},
      {kProtoHttp, 80, "/a.htm", "Ftp://x/y.zip", "Ftp://x/y.zip"},
      {kProtoHttps, 8443, "/a.htm", "http://x:81/../y", "http://x:81/../y"},
  };
  for (const Case& c : cases) {
    std::string out;
    ASSERT_TRUE(resolveLocation(c.value, base(c.protocol, c.port, c.path), out)) << c.value;
    EXPECT_EQ(out, c.url) << c.path << " + " << c.value;
  }
  // A server on an IPv6 address keeps its brackets in the new URL.
  UrlParts v6 = base(kProtoHttp, 8080, "/dir/a.htm");
  v6.host = "::1";
  std::string out;
  ASSERT_TRUE(resolveLocation("b.htm", v6, out));
  EXPECT_EQ(out, "http://[::1]:8080/dir/b.htm");
}

TEST(ResolveLocation, ShortValuesAreRefused) {
  std::string out = "unchanged";
  EXPECT_FALSE(resolveLocation("", base(kProtoHttp, 80, "/"), out));
  EXPECT_FALSE(resolveLocation("/x", base(kProtoHttp, 80, "/"), out));
  EXPECT_EQ(out, "unchanged");
}

TEST(RemoveDotSegments, Rfc3986Examples) {
  EXPECT_EQ(removeDotSegments("/a/b/c/./../../g"), "/a/g");
  EXPECT_EQ(removeDotSegments("mid/content=5/../6"), "mid/6");
  EXPECT_EQ(removeDotSegments("/.."), "/");
  EXPECT_EQ(removeDotSegments("/a/.."), "/");
}

}  // namespace
}  // namespace fw

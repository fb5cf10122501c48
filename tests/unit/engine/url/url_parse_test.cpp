#include <gtest/gtest.h>

#include "engine/url/percent_decode.h"
#include "engine/url/url_parse.h"

namespace fw {
namespace {

TEST(ParseUrl, UpperCaseSchemeAndHostWithEncodedNameAndQuery) {
  UrlParts p;
  p.url = "HTTP://WWW.Example.COM/Dir/File%20Name.zip?x=1";
  std::string text = p.url;
  ASSERT_EQ(parseUrl(text, p, false), 1);
  EXPECT_EQ(p.protocol, kProtoHttp);
  EXPECT_EQ(p.host, "www.example.com");
  EXPECT_EQ(p.port, 80);
  EXPECT_EQ(p.path, "/Dir/File%20Name.zip?x=1");
  EXPECT_EQ(p.fileName, "File Name.zip");
  EXPECT_EQ(p.referer, "HTTP://WWW.Example.COM/Dir");
  EXPECT_EQ(text, p.url) << "text must stay without write-back";
}

TEST(ParseUrl, FtpCredentialsSplitAtLastColonAndDroppedFromWriteBack) {
  UrlParts p;
  std::string text = "  ftp://Me:Pa:SS@Files.Host:2121/pub/a.bin \t";
  ASSERT_EQ(parseUrl(text, p, true), 1);
  EXPECT_EQ(p.protocol, kProtoFtp);
  EXPECT_EQ(p.user, "Me:Pa");
  EXPECT_EQ(p.password, "SS");
  EXPECT_EQ(p.host, "files.host");
  EXPECT_EQ(p.port, 2121);
  EXPECT_EQ(p.path, "/pub/a.bin");
  EXPECT_EQ(p.fileName, "a.bin");
  EXPECT_EQ(text, "ftp://files.host:2121/pub/a.bin");
  EXPECT_TRUE(p.referer.empty()) << "FTP gets no default referrer";
}

TEST(ParseUrl, CredentialsWithoutColonGiveUserOnly) {
  UrlParts p;
  p.password = "old";
  ASSERT_EQ(parseUrl("http://bob@h/x", p), 1);
  EXPECT_EQ(p.user, "bob");
  EXPECT_EQ(p.password, "");
  EXPECT_EQ(p.host, "h");
}

TEST(ParseUrl, HostOnlyForms) {
  UrlParts a;
  ASSERT_EQ(parseUrl("https://Host.Example/", a), 1);
  EXPECT_EQ(a.fileName, "index.htm");
  EXPECT_EQ(a.port, 443);
  EXPECT_EQ(a.path, "/");

  UrlParts b;
  b.path = "/kept";
  ASSERT_EQ(parseUrl("https://Host.Example", b), 1);
  EXPECT_EQ(b.host, "Host.Example");
  EXPECT_EQ(b.port, 443);
  EXPECT_EQ(b.fileName, "index.htm");
  EXPECT_EQ(b.path, "/kept");

  // Without a path the port and credentials are still taken apart.
  UrlParts c;
  ASSERT_EQ(parseUrl("http://u:p@h:8080", c), 1);
  EXPECT_EQ(c.host, "h");
  EXPECT_EQ(c.port, 8080);
  EXPECT_EQ(c.user, "u");
  EXPECT_EQ(c.password, "p");
}

TEST(ParseUrl, RefusedUrls) {
  const char* refused[] = {
      "www.example.com/a.zip",  // no scheme
      "gopher://h/x",           // unknown scheme
      "tp://h/x",               // a fragment of a known scheme is no scheme
      "ps://h/x",
      "http:///x",
      "http://:80/x",
      "http://",
      "http://h:99999/x",
      "http://h:8o/x",
      "http://::1/x",            // an IPv6 address needs its brackets
      "http://[::1/x",           // ... both of them
      "http://[::1]x/x",         // nothing but a port after them
      "http://[example.com]/x",  // and only an address inside them
      "http://[]/x",
      "ftp://[::1]:70000/",
  };
  for (const char* url : refused) {
    UrlParts p;
    EXPECT_EQ(parseUrl(url, p), 0) << url;
  }
}

TEST(ParseUrl, BracketedIPv6Hosts) {
  struct Case {
    const char* url;
    uint8_t protocol;
    const char* host;
    int port;
    const char* path;
    const char* normalised;
  } cases[] = {
      {"http://[2001:DB8::1]:8080/a", kProtoHttp, "2001:db8::1", 8080, "/a",
       "http://[2001:db8::1]:8080/a"},
      {"https://[::1]/s.bin", kProtoHttps, "::1", 443, "/s.bin", "https://[::1]/s.bin"},
      {"ftp://u:p@[::1]/pub/", kProtoFtp, "::1", 21, "/pub/", "ftp://[::1]/pub/"},
      {"ftp://[::ffff:10.0.0.1]:2121/f", kProtoFtp, "::ffff:10.0.0.1", 2121, "/f",
       "ftp://[::ffff:10.0.0.1]:2121/f"},
      {"http://[::1]:81", kProtoHttp, "::1", 81, "", "http://[::1]:81"},
  };
  for (const Case& c : cases) {
    UrlParts p;
    std::string text = c.url;
    ASSERT_EQ(parseUrl(text, p, true), 1) << c.url;
    EXPECT_EQ(p.protocol, c.protocol) << c.url;
    EXPECT_EQ(p.host, c.host) << c.url;
    EXPECT_EQ(p.port, c.port) << c.url;
    EXPECT_EQ(p.path, c.path) << c.url;
    if (*c.path) EXPECT_EQ(text, c.normalised) << c.url;
  }
  // The name of an FTP directory job on an address is the address.
  UrlParts d;
  ASSERT_EQ(parseUrl("ftp://[::1]:2121/", d), 1);
  EXPECT_EQ(d.fileName, "::1/");
}

TEST(ParseUrl, FileNameRules) {
  struct Case {
    const char* url;
    const char* name;
  } cases[] = {
      {"http://h/a/b.zip", "b.zip"},
      {"http://h/a/b.zip?name=c.zip", "b.zip"},
      {"http://h/a/%62%2E%5A%49%50", "b.ZIP"},
      {"http://h/a/x%2Fy.zip", "y.zip"},     // a decoded "/" starts the name over
      {"http://h/a/x%2fy%2F", "index.htm"},  // nothing after it
      {"http://h/a/%zz", "%zz"},
      {"http://h/dir/", "index.htm"},
      {"http://h/%2e%2e", "index.htm"},  // never "..",
      {"http://h/a%00b%0d%0a.txt", "ab.txt"},
      {"http://h/?q=1", "index.htm"},
  };
  for (const Case& c : cases) {
    UrlParts p;
    ASSERT_EQ(parseUrl(c.url, p), 1) << c.url;
    EXPECT_EQ(p.fileName, c.name) << c.url;
  }
}

TEST(ParseUrl, DefaultRefererComesFromTheRecordUrlAndKeepsAGivenOne) {
  UrlParts p;
  p.url = "http://h/a%20b/c.zip";
  ASSERT_EQ(parseUrl(p.url, p), 1);
  EXPECT_EQ(p.referer, "http://h/a b");

  UrlParts q;
  q.url = "http://h/x";
  q.referer = "http://given/";
  ASSERT_EQ(parseUrl(q.url, q), 1);
  EXPECT_EQ(q.referer, "http://given/");

  UrlParts r;  // the only "/" after the scheme is the one before the path
  r.url = "http://h";
  ASSERT_EQ(parseUrl("http://h/", r), 1);
  EXPECT_EQ(r.referer, "http://h");
}

TEST(PercentDecode, DecodesPairsAndCopiesEverythingElse) {
  EXPECT_EQ(percentDecode("a%41%4a%4A"), "aAJJ");
  EXPECT_EQ(percentDecode("%2/x%"), "%2/x%");
  EXPECT_EQ(percentDecode("%4"), "%4");
  EXPECT_EQ(percentDecode("%00").size(), 1u);
  EXPECT_EQ(percentDecode("a/b%2Fc"), "a/b/c");
}

}  // namespace
}  // namespace fw

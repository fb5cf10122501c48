#include "cli/cli_options.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

CliParseResult parse(std::vector<std::string> a) {
  return parseCliOptions(a);
}

TEST(CliOptions, EveryOptionLandsInItsField) {
  auto r = parse({"-s",
                  "8",
                  "--dir=/tmp/d",
                  "-o",
                  "f.bin",
                  "--referer",
                  "http://r/",
                  "--user",
                  "u",
                  "--password",
                  "p:w",
                  "--proxy",
                  "socks5://a:b@127.0.0.1:1080",
                  "-j",
                  "3",
                  "--limit",
                  "2M",
                  "--retries",
                  "0",
                  "--retry-delay",
                  "7",
                  "--timeout",
                  "30",
                  "--no-verify",
                  "--db",
                  "x.npd",
                  "--log",
                  "--pace",
                  "http://h/f"});
  ASSERT_EQ(r.error, "");
  const CliOptions& o = r.options;
  EXPECT_EQ(o.split, 8);
  EXPECT_EQ(o.dir, "/tmp/d");
  EXPECT_EQ(o.output, "f.bin");
  EXPECT_EQ(o.referer, "http://r/");
  EXPECT_EQ(o.password, "p:w");
  ASSERT_TRUE(o.proxy);
  EXPECT_EQ(o.proxy->type, 9);
  EXPECT_EQ(o.proxy->user, "a");
  EXPECT_EQ(o.proxy->password, "b");
  EXPECT_EQ(o.proxy->port, 1080);
  EXPECT_EQ(o.jobs, 3);
  EXPECT_EQ(o.limit, 2 * 1024 * 1024);
  EXPECT_EQ(o.retries, 0u);
  EXPECT_EQ(o.retryDelay, 7);
  EXPECT_EQ(o.timeout, 30);
  EXPECT_TRUE(o.noVerify);
  EXPECT_TRUE(o.log);
  EXPECT_TRUE(o.pace);
  EXPECT_FALSE(parse({"http://h/f"}).options.pace);
  EXPECT_EQ(o.db, "x.npd");
  ASSERT_EQ(o.urls.size(), 1u);
  EXPECT_EQ(o.urls[0], "http://h/f");
}

TEST(CliOptions, BadArgumentsAreNamedInOneLine) {
  struct Case {
    std::vector<std::string> args;
    std::string mentions;
  } cases[] = {
      {{"--split", "16", "http://h/f"}, "--split"},
      {{"-s", "x", "http://h/f"}, "-s"},
      {{"--jobs", "0", "http://h/f"}, "--jobs"},
      {{"--limit", "0", "http://h/f"}, "--limit"},
      {{"--limit", "12G", "http://h/f"}, "--limit"},
      {{"--proxy", "ftp://h:1", "http://h/f"}, "--proxy"},
      {{"--proxy", "http://h", "http://h/f"}, "--proxy"},
      {{"--bogus", "http://h/f"}, "--bogus"},
      {{"--pace=1", "http://h/f"}, "--pace"},
      {{"-o", "a", "http://h/1", "http://h/2"}, "--output"},
      {{"-o", "../x", "http://h/1"}, "--output"},
      {{"-o", "x", "ftp://h/pub/"}, "--output"},
      {{"--recursive=yes", "ftp://h/pub/"}, "--recursive"},
      {{"--retries"}, "--retries"},
      {{"--log=1", "http://h/f"}, "--log"},
      {{}, "URL"},
  };
  for (const Case& c : cases) {
    auto r = parseCliOptions(c.args);
    EXPECT_NE(r.error.find(c.mentions), std::string::npos) << "error was: " << r.error;
    EXPECT_EQ(r.error.find('\n'), std::string::npos);
  }
}

TEST(CliOptions, ModesWithoutUrlsAndTheEndOfOptions) {
  EXPECT_EQ(parse({"--resume"}).error, "");
  EXPECT_EQ(parse({"--list", "--db", "a.npd"}).error, "");
  EXPECT_EQ(parse({"--help"}).error, "");
  auto r = parse({"--", "-weird-name"});
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.options.urls[0], "-weird-name");
}

TEST(CliOptions, RatesAreBinaryMultiples) {
  EXPECT_EQ(parseRate("600"), 600);
  EXPECT_EQ(parseRate("64k"), 65536);
  EXPECT_EQ(parseRate("1M"), 1048576);
  EXPECT_FALSE(parseRate(""));
  EXPECT_FALSE(parseRate("K"));
  EXPECT_FALSE(parseRate("-5"));
  EXPECT_FALSE(parseRate("1.5M"));
  EXPECT_FALSE(parseRate("99999999999999999999"));
}

TEST(CliOptions, ProxyUrls) {
  auto p = parseProxyUrl("HTTP://proxy.local:3128/");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->type, 2);
  EXPECT_EQ(p->host, "proxy.local");
  EXPECT_EQ(p->port, 3128);
  p = parseProxyUrl("socks4://user@10.0.0.1:1080");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->type, 8);
  EXPECT_EQ(p->user, "user");
  EXPECT_EQ(p->password, "");
  p = parseProxyUrl("socks5://[::1]:1080");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->host, "::1");
  EXPECT_EQ(p->port, 1080);
  EXPECT_FALSE(parseProxyUrl("socks5://::1:1080"));  // an IPv6 address needs its brackets
  EXPECT_FALSE(parseProxyUrl("socks5://[::1]"));
  EXPECT_FALSE(parseProxyUrl("socks5://h:0"));
  EXPECT_FALSE(parseProxyUrl("socks5://h:65536"));
  EXPECT_FALSE(parseProxyUrl("socks5://:80"));
  EXPECT_FALSE(parseProxyUrl("socks5://h:80/path"));
}

}  // namespace
}  // namespace fw

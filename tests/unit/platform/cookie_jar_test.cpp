#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/cookie_jar.h"
#include "platform/fake_clock.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

constexpr int64_t kNow = 1700000000;

Cookie cookie(std::string domain, bool sub, std::string path, bool secure, int64_t expiry,
              std::string name, std::string value) {
  Cookie c;
  c.domain = std::move(domain);
  c.includeSubdomains = sub;
  c.path = std::move(path);
  c.secure = secure;
  c.expiry = expiry;
  c.name = std::move(name);
  c.value = std::move(value);
  return c;
}

TEST(CookieFile, ParsesGoodLinesAndSkipsBadOnes) {
  const std::string text =
      "# Netscape HTTP Cookie File\r\n"
      "\n"
      ".example.com\tTRUE\t/\tFALSE\t1893456000\tsid\tabc=def\r\n"
      "#HttpOnly_host.example.com\tFALSE\t/app\ttrue\t0\ttok\t\n"
      "noval.example.com\tFALSE\t/\tFALSE\t0\tempty\n"  // six fields: empty value
      "bad.example.com\tMAYBE\t/\tFALSE\t0\tn\tv\n"
      "bad.example.com\tTRUE\t/\tFALSE\t-5\tn\tv\n"
      "bad.example.com\tTRUE\t/\tFALSE\t99999999999999999999\tn\tv\n"
      "bad.example.com\tTRUE\tnoslash\tFALSE\t0\tn\tv\n"
      "bad.example.com\tTRUE\t/\tFALSE\t0\t\tv\n"
      "bad.example.com\tTRUE\t/\tFALSE\t0\tn\tv;inject=1\n"
      "bad.example.com\tTRUE\t/\tFALSE\t0\tn\tv\rX-Injected: 1\n"
      "bad.example.com\tTRUE\t/\tFALSE\t0\tn=x\tv\n"
      "\tTRUE\t/\tFALSE\t0\tn\tv\n"
      "too\tfew\tfields\n"
      "last.example.com\tFALSE\t/\tFALSE\t0\tlast\tno newline";
  size_t bad = 0;
  std::vector<Cookie> got = parseCookieFile(text, &bad);
  EXPECT_EQ(bad, 10u);
  Cookie httpOnly = cookie("host.example.com", false, "/app", true, 0, "tok", "");
  httpOnly.httpOnly = true;
  const std::vector<Cookie> expected = {
      cookie(".example.com", true, "/", false, 1893456000, "sid", "abc=def"),
      httpOnly,
      cookie("noval.example.com", false, "/", false, 0, "empty", ""),
      cookie("last.example.com", false, "/", false, 0, "last", "no newline"),
  };
  EXPECT_EQ(got, expected);
  EXPECT_EQ(parseCookieFile(formatCookieFile(got)), got);
}

TEST(CookieMatch, LookupTable) {
  const std::vector<Cookie> jar = {
      cookie("host.test", false, "/", false, 0, "hostonly", "1"),
      cookie(".dom.test", true, "/", false, 0, "dom", "2"),
      cookie("flag.test", true, "/", false, 0, "flag", "3"),
      cookie("dot.test", false, "/", false, 0, "x", "x"),
      cookie(".dot.test", false, "/", false, 0, "leadingdot", "4"),
      cookie("paths.test", false, "/docs", false, 0, "docs", "5"),
      cookie("paths.test", false, "/docs/api/", false, 0, "api", "6"),
      cookie("paths.test", false, "/", false, 0, "root", "7"),
      cookie("sec.test", false, "/", true, 0, "secure", "8"),
      cookie("exp.test", false, "/", false, kNow - 1, "gone", "9"),
      cookie("exp.test", false, "/", false, kNow, "justgone", "10"),
      cookie("exp.test", false, "/", false, kNow + 1, "alive", "11"),
      cookie("exp.test", false, "/", false, 0, "session", "12"),
      cookie("10.0.0.1", true, "/", false, 0, "ip", "13"),
      cookie("0.0.1", true, "/", false, 0, "ipsuffix", "14"),
      cookie("Case.Test", false, "/", false, 0, "case", "15"),
  };
  const struct {
    const char* url;
    const char* header;
  } cases[] = {
      {"http://host.test/", "hostonly=1"},
      {"http://sub.host.test/", ""},
      {"http://dom.test/file", "dom=2"},
      {"http://a.b.dom.test/file", "dom=2"},
      {"http://baddom.test/", ""},
      {"http://x.flag.test/", "flag=3"},
      {"http://x.dot.test/", "leadingdot=4"},
      {"http://paths.test", "root=7"},
      {"http://paths.test/docs", "docs=5; root=7"},
      {"http://paths.test/docs/", "docs=5; root=7"},
      {"http://paths.test/docsearch", "root=7"},
      {"http://paths.test/docs/api/v1?q=/docs/api/#frag", "api=6; docs=5; root=7"},
      {"http://paths.test/docs/api", "docs=5; root=7"},
      {"http://sec.test/", ""},
      {"HTTPS://sec.test/", "secure=8"},
      {"http://exp.test/", "alive=11; session=12"},
      {"http://10.0.0.1:8080/", "ip=13"},
      {"http://user:pw@HOST.test.:81/", "hostonly=1"},
      {"http://case.test/", "case=15"},
      {"ftp://host.test/", ""},
      {"host.test/", ""},
      {"http:///path", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(cookieHeaderFor(jar, c.url, kNow), c.header) << c.url;
}

TEST(CookieMatch, SplitsIpv6Hosts) {
  CookieRequest req;
  ASSERT_TRUE(splitCookieUrl("https://[::1]:8443/a/b?x", req));
  EXPECT_EQ(req.scheme, "https");
  EXPECT_EQ(req.host, "::1");
  EXPECT_EQ(req.path, "/a/b");
  EXPECT_FALSE(splitCookieUrl("http://[::1/", req));
}

class CookieJarTest : public ::testing::Test {
 protected:
  test::TempDir m_dir{"fwcookie"};
  std::string m_file = m_dir.path() + "/cfg/cookies.txt";
  FakeClock m_clock{kNow};
};

TEST_F(CookieJarTest, StoreReplacesTwinsAndWritesAPrivateFile) {
  CookieJar jar(m_file, m_clock);
  EXPECT_EQ(jar.cookiesFor("http://a.test/"), "");  // no file yet
  ASSERT_TRUE(jar.store({cookie(".a.test", true, "/", false, 0, "sid", "one"),
                         cookie("a.test", false, "/x", false, kNow + 100, "keep", "k")}));
  struct stat st {};
  ASSERT_EQ(stat(m_file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // Same domain (case and leading dot aside), path and name: replaced, not duplicated.
  ASSERT_TRUE(jar.store({cookie("A.TEST", true, "/", false, 0, "sid", "two")}));
  EXPECT_EQ(jar.cookiesFor("http://a.test/x/y"), "keep=k; sid=two");

  // An already expired cookie deletes its twin; invalid cookies are ignored.
  ASSERT_TRUE(jar.store({cookie("a.test", false, "/", false, kNow - 1, "sid", ""),
                         cookie("a.test", false, "/", false, 0, "bad;name", "v")}));
  EXPECT_EQ(jar.cookiesFor("http://a.test/x"), "keep=k");

  // Time passes: the stored cookie expires for look-ups and is dropped at the next write.
  m_clock.setWallSeconds(kNow + 100);
  EXPECT_EQ(jar.cookiesFor("http://a.test/x"), "");
  ASSERT_TRUE(jar.store({}));
  EXPECT_TRUE(jar.all().empty());
}

TEST_F(CookieJarTest, SeesWhatAnotherWriterStored) {
  CookieJar reader(m_file, m_clock);
  CookieJar writer(m_file, m_clock);
  EXPECT_EQ(reader.cookiesFor("http://b.test/"), "");
  ASSERT_TRUE(writer.store({cookie("b.test", false, "/", false, 0, "n", "1")}));
  EXPECT_EQ(reader.cookiesFor("http://b.test/"), "n=1");
  ASSERT_TRUE(writer.store({cookie("b.test", false, "/", false, 0, "n", "2")}));
  EXPECT_EQ(reader.cookiesFor("http://b.test/"), "n=2");
}

TEST_F(CookieJarTest, ReadsAHandWrittenFileWithBadLines) {
  m_dir.write("cfg/cookies.txt",
              "# Netscape HTTP Cookie File\n"
              "garbage line\n"
              "#HttpOnly_.c.test\tTRUE\t/\tFALSE\t0\th\tv\n");
  CookieJar jar(m_file, m_clock);
  EXPECT_EQ(jar.cookiesFor("http://www.c.test/"), "h=v");
  ASSERT_TRUE(jar.store({cookie("c.test", false, "/", false, 0, "n", "w")}));
  std::string text = test::readFileText(m_file);
  EXPECT_NE(text.find("#HttpOnly_.c.test\tTRUE\t/\tFALSE\t0\th\tv\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("garbage"), std::string::npos);
}

}  // namespace
}  // namespace fw

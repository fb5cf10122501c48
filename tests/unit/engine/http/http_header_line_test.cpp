#include <gtest/gtest.h>

#include <string>

#include "engine/base/text_buffer.h"
#include "engine/http/http_date.h"
#include "engine/http/http_header_line.h"
#include "engine/url/header_keywords.h"
#include "support/recording_channel.h"

namespace fw {
namespace {

struct Fixture {
  JobRecord job;
  RoleRecord role;
  test::RecordingChannel channel;
  Lock jobLock, sizeLock;
  RoleJobAccess access;
  UrlParts parts;
  std::vector<uint32_t> codes;
  std::vector<std::string> offered;
  Fixture() {
    role.channel = &channel;
    access = {&role, &job, &jobLock, &sizeLock};
    parts.protocol = kProtoHttp;
    parts.host = "h.example";
    parts.port = 80;
    parts.path = "/dir/a.htm";
    channel.onControl = [this](RoleRecord&, uint32_t code, intptr_t arg) -> intptr_t {
      codes.push_back(code);
      if (code == CtlOfferFileName) offered.push_back(reinterpret_cast<TextBuffer*>(arg)->str());
      return 1;
    };
  }
  int line(const std::string& text) { return parseHeaderLine(text, parts, &access); }
};

TEST(HeaderKeywords, LookupIsBySubstringOfTheTable) {
  EXPECT_EQ(headerKeywordCode("http"), 1);
  EXPECT_EQ(headerKeywordCode("location"), 2);
  EXPECT_EQ(headerKeywordCode("date"), 3);
  EXPECT_EQ(headerKeywordCode("transfer-encoding"), 0);
  EXPECT_EQ(headerKeywordCode("https"), 9);
  EXPECT_EQ(headerKeywordCode("encoding"), 0);  // falls into transfer-encoding
  EXPECT_EQ(headerKeywordCode("x-powered-by"), kNoKeyword);
}

TEST(ParseHeaderLine, StatusLines) {
  struct Case {
    const char* line;
    int major, minor, status;
  } cases[] = {
      {"HTTP/1.0 200 OK", 1, 0, 200},
      {"HTTP/1.1 206", 1, 1, 206},
      {"http/1.1 302 Found: elsewhere", 1, 1, 302},
      {"HTTP/1.1 404 Not 123 Found", 1, 1, 404},
  };
  for (const Case& c : cases) {
    Fixture f;
    EXPECT_EQ(f.line(c.line), 0);
    EXPECT_EQ(f.parts.httpMajor, c.major) << c.line;
    EXPECT_EQ(f.parts.httpMinor, c.minor) << c.line;
    EXPECT_EQ(f.parts.status, c.status) << c.line;
  }
  Fixture f;  // a stray line that merely mentions http/ is no status line
  f.parts.status = 200;
  f.line("Via 1.1 proxy http/9 999");
  EXPECT_EQ(f.parts.status, 200);
}

TEST(ParseHeaderLine, LocationIsResolvedOrRefused) {
  Fixture f;
  f.parts.port = 8080;
  EXPECT_EQ(f.line("Location: index2.htm"), 0);
  EXPECT_EQ(f.parts.url, "http://h.example:8080/dir/index2.htm");
  EXPECT_EQ(f.line("LOCATION:   /top.htm"), 0);
  EXPECT_EQ(f.parts.url, "http://h.example:8080/top.htm");
  EXPECT_EQ(f.line("location: https://other/x.zip"), 0);
  EXPECT_EQ(f.parts.url, "https://other/x.zip");
  EXPECT_EQ(f.line("Location: ab"), kResultError);
  EXPECT_EQ(f.line("Location:"), kResultError);
  EXPECT_EQ(f.parts.url, "https://other/x.zip");
}

TEST(ParseHeaderLine, ContentLengthSetsOnlyAnUnknownSizeOfA200) {
  struct Case {
    int status;
    int64_t sizeBefore;
    int64_t sizeAfter;
    int showSize;
  } cases[] = {
      {200, -1, 5000, 1},
      {200, 7000, 7000, 1},  // a known size is never replaced
      {206, -1, -1, 1},
      {302, -1, -1, 0},  // a redirect's length is not taken at all
  };
  for (const Case& c : cases) {
    Fixture f;
    f.parts.status = c.status;
    f.job.fileSize = c.sizeBefore;
    f.parts.contentLength = 11;
    EXPECT_EQ(f.line("Content-Length: 5000"), 0);
    EXPECT_EQ(f.parts.contentLength, 5000);
    EXPECT_EQ(f.job.fileSize, c.sizeAfter) << c.status;
    EXPECT_EQ(f.channel.lines().size(), 0u);
    EXPECT_EQ(static_cast<int>(f.codes.size()), c.showSize) << c.status;
  }
  Fixture f;
  f.parts.status = 200;
  f.parts.contentLength = 11;
  f.line("Content-Length: -5");
  f.line("Content-Length: 12abc");
  EXPECT_EQ(f.parts.contentLength, 11);
  EXPECT_EQ(f.job.fileSize, -1);
  f.line("Content-Length: 9000000000");
  EXPECT_EQ(f.job.fileSize, 9000000000);
  UrlParts bare;  // no Role: only the record changes
  bare.status = 200;
  EXPECT_EQ(parseHeaderLine("Content-Length: 3", bare, nullptr), 0);
  EXPECT_EQ(bare.contentLength, 3);
}

TEST(ParseHeaderLine, ContentRange) {
  struct Case {
    const char* line;
    int64_t length;
  } cases[] = {
      {"Content-Range: bytes 100-199/1000", 100}, {"Content-Range: BYTES 0-0/1", 1},
      {"Content-Range: bytes 5000-9999/*", 5000}, {"Content-Range: bytes */1000", 42},
      {"Content-Range: 100-199/1000", 42},        {"Content-Range: bytes 100-199", 42},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.parts.contentLength = 42;
    f.line(c.line);
    EXPECT_EQ(f.parts.contentLength, c.length) << c.line;
  }
}

TEST(ParseHeaderLine, ContentDispositionOffersASafeName) {
  using namespace std::string_literals;
  struct Case {
    std::string line;
    const char* offered;  // nullptr: nothing offered
  } cases[] = {
      {"Content-Disposition: attachment; filename=\"a b.zip\"", "a b.zip"},
      {"Content-Disposition: attachment; filename=\"../../x\"", "x"},
      {"Content-Disposition: attachment; filename=a/b", "b"},
      {"Content-Disposition: attachment; filename=\"n\0ul.txt\""s, "nul.txt"},
      {"Content-Disposition: attachment; filename=\"..\"", nullptr},
      {"Content-Disposition: attachment; filename*=UTF-8''%C3%A9t%C3%A9.pdf",
       "\xc3\xa9t\xc3\xa9.pdf"},
      {"Content-Disposition: inline", nullptr},
  };
  for (const Case& c : cases) {
    Fixture f;
    EXPECT_EQ(f.line(c.line), 0);
    std::vector<std::string> expected;
    if (c.offered) expected.push_back(c.offered);
    EXPECT_EQ(f.offered, expected) << c.line;
  }
}

TEST(ParseHeaderLine, NoNameOnceDataArrivedOrTheFileExists) {
  Fixture a;
  a.job.downloaded = 1;
  a.line("Content-Disposition: attachment; filename=x.zip");
  EXPECT_TRUE(a.offered.empty());
  Fixture b;
  b.job.createTime.month = 3;
  b.line("Content-Disposition: attachment; filename=x.zip");
  EXPECT_TRUE(b.offered.empty());
  UrlParts bare;  // without a Role nothing can be offered
  EXPECT_EQ(parseHeaderLine("Content-Disposition: attachment; filename=x.zip", bare, nullptr), 0);
}

TEST(ParseHeaderLine, TransferEncodingAndIgnoredLines) {
  Fixture f;
  f.line("Transfer-Encoding: gzip, Chunked");
  EXPECT_EQ(f.parts.chunked, 1);
  f.line("Transfer-Encoding: identity");
  EXPECT_EQ(f.parts.chunked, 0);
  UrlParts before = f.parts;
  for (const char* ignored :
       {"Set-Cookie: a=b", "X-Thing: 1", "no colon here", "", ":", "Server: Location: /evil"}) {
    EXPECT_EQ(f.line(ignored), 0) << ignored;
  }
  EXPECT_EQ(f.parts.url, before.url);
  EXPECT_EQ(f.parts.status, before.status);
  EXPECT_TRUE(f.codes.empty());
}

TEST(ParseHeaderLine, DateReplacesLastModifiedButNotTheOtherWayRound) {
  Fixture f;
  f.line("Last-Modified: Tue, 01 Feb 2000 10:00:00 GMT");
  EXPECT_EQ(f.parts.remoteDate.month, 2);
  f.line("Date: Sun, 06 Nov 1994 08:49:37 GMT");
  EXPECT_EQ(f.parts.remoteDate.month, 11);
  f.line("Last-Modified: Tue, 01 Feb 2000 10:00:00 GMT");
  EXPECT_EQ(f.parts.remoteDate.month, 11);
  EXPECT_EQ(f.parts.remoteDate.year, 1994);
}

TEST(HttpDate, ThreeForms) {
  struct Case {
    const char* value;
    int year;
  } cases[] = {
      {"Sun, 06 Nov 1994 08:49:37 GMT", 1994},
      {"Sunday, 06-Nov-94 08:49:37 GMT", 94},
      {"Sun Nov  6 08:49:37 1994", 1994},
      {"  SUN, 06 NOV 1994 08:49:37 GMT  ", 1994},
  };
  for (const Case& c : cases) {
    DateStamp d;
    ASSERT_TRUE(parseHttpDate(c.value, d)) << c.value;
    EXPECT_EQ(d.day, 6) << c.value;
    EXPECT_EQ(d.month, 11) << c.value;
    EXPECT_EQ(d.year, c.year) << c.value;
    EXPECT_EQ(d.hour, 8) << c.value;
    EXPECT_EQ(d.minute, 49) << c.value;
    EXPECT_EQ(d.second, 37) << c.value;
  }
}

TEST(HttpDate, EveryMonthAndUnparsableValues) {
  const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int m = 0; m < 12; ++m) {
    DateStamp d;
    parseHttpDate(std::string("x, 01 ") + months[m] + " 2001 00:00:00 GMT", d);
    EXPECT_EQ(d.month, m + 1) << months[m];
  }
  DateStamp d;
  d.day = 9;
  EXPECT_FALSE(parseHttpDate("nospace", d));
  EXPECT_EQ(d.day, 9);
  DateStamp big;
  parseHttpDate("x, 99999999999 Nov 99999999 99:99:99", big);  // clamped, no overflow
  EXPECT_EQ(big.day, 255);
}

}  // namespace
}  // namespace fw

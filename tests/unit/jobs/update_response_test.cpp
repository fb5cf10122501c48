#include "jobs/update_response.h"

#include <gtest/gtest.h>

#include "jobs/update_check.h"

namespace fw {
namespace {

TEST(UpdateRequestTest, IsTheFixedRequestWithTheServersHost) {
  UpdateEndpoint e;
  e.host = "updates.example.org";
  const std::string lines[] = {
      "GET /images/Update.ini HTTP/1.1",
      "Host: updates.example.org",
      "Accept: */* ",
      "Referer: http://updates.example.org/images",
      "User-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)",
      "Pragma: no-cache",
      "Cache-Control: no-cache",
      "Connection: close",
      "",
  };
  std::string expected;
  for (const std::string& l : lines) expected += l + "\r\n";
  EXPECT_EQ(updateRequest(e), expected);

  e.port = 8080;
  e.path = "/fw/latest.ini";
  std::string r = updateRequest(e);
  EXPECT_EQ(r.substr(0, r.find("\r\n")), "GET /fw/latest.ini HTTP/1.1");
  EXPECT_NE(r.find("\r\nHost: updates.example.org:8080\r\n"), std::string::npos);
  EXPECT_NE(r.find("\r\nReferer: http://updates.example.org:8080/fw\r\n"), std::string::npos);
}

TEST(UpdateResponseTest, OnlyAStrictVersionLineGivesAnAnswer) {
  const struct {
    const char* body;
    int result;
  } cases[] = {
      {"ver=1.827", kUpdateLatest},     {"ver=1.830\r\nurl=ignored", kUpdateNewer},
      {"ver=1.826 ", kUpdateLatest},    {"ver=2.000\n", kUpdateNewer},
      {"ver=1.8x0", kUpdateNoInfo},     {"ver=1.83", kUpdateNoInfo},  // 8 bytes: one digit short
      {"ver=1.8305", kUpdateNoInfo},    {"ver=1.830.1", kUpdateNoInfo},
      {"ver= 1.830", kUpdateNoInfo},    {"Ver=1.830", kUpdateNoInfo},
      {"version=1.830", kUpdateNoInfo}, {"", kUpdateNoInfo},
  };
  for (const auto& c : cases) EXPECT_EQ(updateResultFromBody(c.body), c.result) << c.body;
}

TEST(UpdateResponseTest, HeadGivesStatusBodyAndLength) {
  const struct {
    const char* bytes;
    int parsed;
    int status;
    size_t bodyStart;
    int64_t length;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nver=1.830", 1, 200, 38, 9},
      {"HTTP/1.0 404 Not Found\r\ncontent-length:  12 \r\n\r\n", 1, 404, 48, 12},
      {"HTTP/1.1 200 OK\r\nContent-Length: x9\r\n\r\n", 1, 200, 39, -1},
      {"HTTP/1.1 200 OK\r\n\r\n", 1, 200, 19, -1},
      {"HTTP/1.1 200 OK\r\nContent-Le", 0, 0, 0, -1},
      {"HTT", 0, 0, 0, -1},
      {"SSH-2.0-OpenSSH\r\n\r\n", -1, 0, 0, -1},
      {"HTTP/1.1 2x0 OK\r\n\r\n", -1, 0, 0, -1},
  };
  for (const auto& c : cases) {
    UpdateHead head;
    EXPECT_EQ(parseUpdateHead(c.bytes, head), c.parsed) << c.bytes;
    if (c.parsed != 1) continue;
    EXPECT_EQ(head.status, c.status) << c.bytes;
    EXPECT_EQ(head.bodyStart, c.bodyStart) << c.bytes;
    EXPECT_EQ(head.contentLength, c.length) << c.bytes;
  }
}

}  // namespace
}  // namespace fw

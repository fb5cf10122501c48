#include <gtest/gtest.h>

#include <string>

#include "engine/http/response_head_reader.h"
#include "platform/fake_clock.h"
#include "scripted_byte_source.h"
#include "support/recording_channel.h"

namespace fw {
namespace {

const std::string kHead =
    "HTTP/1.1 206 Partial Content\r\n"
    "Content-Length: 100\r\n"
    "Content-Range: bytes 100-199/1000\r\n"
    "Transfer-Encoding: chunked\r\n"
    "\r\n";
const std::string kBody = "BODY\r\n\r\nbytes";

struct Fixture {
  FakeClock clock;
  JobRecord job;
  RoleRecord role;
  test::RecordingChannel channel;
  RoleJobAccess access;
  UrlParts parts;
  ReceiveBuffer body;
  ResponseHeadReader reader;
  ScriptedByteSource source;
  Fixture() {
    role.channel = &channel;
    role.clock = &clock;
    access = {&role, &job, nullptr, nullptr};
    parts.protocol = kProtoHttp;
    parts.host = "h";
    parts.port = 80;
  }
  int read(bool log = true, int timeoutMs = 90000) {
    return reader.read(source, access, timeoutMs, log, body, parts);
  }
  std::string bodyText() const {
    return std::string(reinterpret_cast<const char*>(body.data), body.fill);
  }
  void expectHeadApplied() {
    EXPECT_EQ(parts.status, 206);
    EXPECT_EQ(parts.contentLength, 100);
    EXPECT_EQ(parts.chunked, 1);
    std::vector<std::string> logged;
    for (const auto& l : channel.lines()) {
      EXPECT_EQ(l.kind, kLogServer);
      logged.push_back(l.text);
    }
    EXPECT_EQ(logged, (std::vector<std::string>{
                          "HTTP/1.1 206 Partial Content", "Content-Length: 100",
                          "Content-Range: bytes 100-199/1000", "Transfer-Encoding: chunked"}));
  }
};

TEST(ResponseHeadReader, HeadSplitAtEveryBoundary) {
  const std::string all = kHead + kBody;
  for (size_t cut = 1; cut < all.size(); ++cut) {
    Fixture f;
    f.source.reads = {all.substr(0, cut), all.substr(cut)};
    ASSERT_EQ(f.read(), 1) << cut;
    f.expectHeadApplied();
    // Body bytes are those of the read in which the head ended; later reads stay unread.
    std::string expected =
        cut < kHead.size() ? kBody : all.substr(kHead.size(), cut - kHead.size());
    EXPECT_EQ(f.bodyText(), expected) << cut;
  }
}

TEST(ResponseHeadReader, OneByteAtATime) {
  Fixture f;
  for (char c : kHead + kBody) f.source.reads.push_back(std::string(1, c));
  ASSERT_EQ(f.read(), 1);
  f.expectHeadApplied();
  EXPECT_EQ(f.body.fill, 0);
  EXPECT_EQ(f.source.consumed, kHead.size());
}

TEST(ResponseHeadReader, BodyIsAppendedAfterWhatTheBufferHolds) {
  Fixture f;
  f.body.data[0] = 'Z';
  f.body.fill = 1;
  f.source.reads = {kHead + kBody};
  ASSERT_EQ(f.read(), 1);
  EXPECT_EQ(f.bodyText(), "Z" + kBody);
}

TEST(ResponseHeadReader, LongLinesAreCutAndDoNotSpillIntoTheNext) {
  Fixture f;
  std::string longLine = "X-Long: " + std::string(3000, 'a');
  std::string head = "HTTP/1.1 200 OK\r\n" + longLine + "\r\nContent-Length: 7\r\n\r\n";
  for (size_t i = 0; i < head.size(); i += 700) f.source.reads.push_back(head.substr(i, 700));
  ASSERT_EQ(f.read(), 1);
  auto lines = f.channel.lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].text, longLine.substr(0, kHeadLineLimit));
  EXPECT_EQ(lines[2].text, "Content-Length: 7");
  EXPECT_EQ(f.parts.contentLength, 7);
}

TEST(ResponseHeadReader, LoneCarriageReturnsStayInTheLine) {
  Fixture f;
  f.source.reads = {"HTTP/1.1 200 OK\r\nX: a\rb\r", "\r\n\r\n"};
  ASSERT_EQ(f.read(), 1);
  auto lines = f.channel.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].text, "X: a\rb");
}

TEST(ResponseHeadReader, NothingLoggedWhenNotAsked) {
  Fixture f;
  f.source.reads = {kHead};
  ASSERT_EQ(f.read(false), 1);
  EXPECT_TRUE(f.channel.lines().empty());
  EXPECT_EQ(f.parts.status, 206);
}

TEST(ResponseHeadReader, FailureResults) {
  {
    Fixture f;  // peer closes in the middle of the head
    f.source.reads = {"HTTP/1.1 200 OK\r\nContent-"};
    f.source.closeAtEnd = true;
    EXPECT_EQ(f.read(), kResultError);
  }
  {
    Fixture f;
    f.source.failRead = 104;
    EXPECT_EQ(f.read(), kResultError);
    EXPECT_EQ(f.role.lastSocketError, 104);
  }
  {
    Fixture f;  // a TLS session reports its own code
    f.source.failRead = 5;
    f.source.failure = kResultTls;
    EXPECT_EQ(f.read(), kResultTls);
  }
  {
    Fixture f;
    f.source.failWait = true;
    EXPECT_EQ(f.read(), -1);
  }
  {
    Fixture f;
    f.source.reads = {"HTTP/1.1 302 Found\r\nLocation: x\r\n\r\n"};
    EXPECT_EQ(f.read(), kResultError);
  }
}

TEST(ResponseHeadReader, TimeOutAfterTheLastSlice) {
  Fixture f;
  f.source.reads = {"HTTP/1.1 200 OK\r\n"};
  EXPECT_EQ(f.read(true, 1000), kResultTimeout);
  // One wait found the data; the empty ones each took 50 ms until 50 ms or less were left.
  EXPECT_EQ(f.source.waits, 1 + 19);

  Fixture g;  // a short time-out is one wait
  EXPECT_EQ(g.read(true, 30), kResultTimeout);
  EXPECT_EQ(g.source.waits, 1);
}

TEST(ResponseHeadReader, StopRequestReturnsTheOutcome) {
  Fixture f;
  f.role.outcome = -5;
  f.role.stopEvent.set();
  EXPECT_EQ(f.read(true, 90000), -5);
  EXPECT_EQ(f.source.waits, 1);
}

TEST(ResponseHeadReader, UnfinishedLineIsKeptAcrossCallsUntilReset) {
  Fixture f;
  f.source.reads = {"HTTP/1.1 200 OK\r\nContent-Le"};
  EXPECT_EQ(f.read(true, 100), kResultTimeout);
  f.source.reads = {"ngth: 9\r\n\r\n"};
  ASSERT_EQ(f.read(), 1);
  EXPECT_EQ(f.parts.contentLength, 9);

  Fixture g;
  g.source.reads = {"HTTP/1.1 200 OK\r\nContent-Le"};
  EXPECT_EQ(g.read(true, 100), kResultTimeout);
  g.reader.reset();
  g.source.reads = {"HTTP/1.0 404 No\r\n\r\n"};
  ASSERT_EQ(g.read(), 1);
  EXPECT_EQ(g.parts.status, 404);
}

}  // namespace
}  // namespace fw

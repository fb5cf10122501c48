// Reply reading and command sending on the control connection.

#include <gtest/gtest.h>

#include "engine/base/control_codes.h"
#include "engine/ftp/ftp_command.h"
#include "engine/ftp/ftp_reply.h"
#include "unit/engine/ftp/ftp_scripted_peer.h"

namespace fw {
namespace {

using test::RecordingChannel;
using test::ScriptedLink;

class FtpReplyTest : public ::testing::Test {
 protected:
  FtpReplyTest() : link(clock) {
    role.clock = &clock;
    role.channel = &channel;
  }
  int read(std::string* last = nullptr, int timeoutMs = 5000) {
    int err = 0;
    return readReply(err, link, role, timeoutMs, buffer, true, last);
  }
  FakeClock clock;
  ScriptedLink link;
  RecordingChannel channel;
  RoleRecord role;
  FtpReplyBuffer buffer;
};

TEST_F(FtpReplyTest, MultiLineReplyReturnsItsCodeOnceAfterLoggingEveryLine) {
  link.push("230-Welcome\r\n230-  second line  \r\n230 Login ok\r\n");
  std::string last;
  EXPECT_EQ(read(&last), 230);
  EXPECT_EQ(last, "230 Login ok");
  ASSERT_EQ(channel.logLines.size(), 3u);
  EXPECT_TRUE(channel.logged(kLogServer, "230-  second line"));
  EXPECT_EQ(buffer.held(), "");
}

TEST_F(FtpReplyTest, NumberedLineInsideMultiLineReplyDoesNotEndIt) {
  // Servers pad text lines that begin with digits; a different code cannot end the reply.
  link.push("220-Hello\r\n 220 padded text\r\n200 other code text\r\n220 Ready\r\n331 next\r\n");
  EXPECT_EQ(read(), 220);
  EXPECT_EQ(read(), 331);
}

TEST_F(FtpReplyTest, SeveralRepliesInOneReadComeOnePerCall) {
  link.push("331 Password please\r\n230 Logged in\r\n257 \"/pub\"");
  EXPECT_EQ(read(), 331);
  EXPECT_EQ(read(), 230);
  link.push(" is current\r\n");
  std::string last;
  EXPECT_EQ(read(&last), 257);
  EXPECT_EQ(last, "257 \"/pub\" is current");
}

TEST(FtpReplySplitTest, EverySplitPointGivesTheSameReplies) {
  const std::string text = "150-Opening\r\n150 data\r\n226 Transfer complete\r\n421 Bye\r\n";
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    FakeClock clock;
    ScriptedLink link(clock);
    RoleRecord role;
    role.clock = &clock;
    FtpReplyBuffer buffer;
    if (cut > 0) link.push(text.substr(0, cut));
    if (cut < text.size()) link.push(text.substr(cut));
    int err = 0;
    EXPECT_EQ(readReply(err, link, role, 1000, buffer, false), 150) << "cut " << cut;
    EXPECT_EQ(readReply(err, link, role, 1000, buffer, false), 226) << "cut " << cut;
    EXPECT_EQ(readReply(err, link, role, 1000, buffer, false), 421) << "cut " << cut;
  }
}

TEST_F(FtpReplyTest, OneByteReadsAndBareLineFeeds) {
  for (char c : std::string("213-Status\n213 20240131120000\r\n")) link.push(std::string(1, c));
  std::string last;
  EXPECT_EQ(read(&last), 213);
  EXPECT_EQ(last, "213 20240131120000");
}

TEST_F(FtpReplyTest, TimeOutIsMeasuredOnTheRoleClock) {
  link.push("220-partial\r\n");
  int64_t before = clock.monotonicMs();
  EXPECT_EQ(read(nullptr, 3000), kResultTimeout);
  EXPECT_GE(clock.monotonicMs() - before, 3000);
  EXPECT_LT(clock.monotonicMs() - before, 3200);
}

TEST_F(FtpReplyTest, StopRequestHandsBackTheOutcome) {
  role.outcome = -5;
  role.stopEvent.set();
  EXPECT_EQ(read(), -5);
}

TEST_F(FtpReplyTest, ClosedConnectionAndSocketError) {
  link.push("220-Hello\r\n");
  link.closeAtEnd();
  EXPECT_EQ(read(), 0);
  ScriptedLink broken(clock);
  broken.failWith(104);
  int err = 0;
  EXPECT_EQ(readReply(err, broken, role, 1000, buffer, true), -1);
  EXPECT_EQ(err, 104);
  EXPECT_EQ(role.lastSocketError, 104);
}

TEST_F(FtpReplyTest, OverlongLinesAreCutAndTheReplyStillEnds) {
  std::string longText(5000, 'x');
  link.push("220-" + longText + "\r\n220 ok\r\n");
  EXPECT_EQ(read(), 220);
  ASSERT_EQ(channel.logLines.size(), 2u);
  EXPECT_EQ(channel.logLines[0].second.size(), kFtpLineLimit);
  // An unfinished line never grows the held text past the limit.
  FtpReplyBuffer b;
  std::string line;
  for (int i = 0; i < 100; ++i) {
    b.append(longText.data(), longText.size());
    EXPECT_FALSE(b.takeLine(line));
  }
  EXPECT_LE(b.held().size(), kFtpLineLimit + 1);
}

TEST(FtpCommandTest, AppendsLineEndAndRefusesUnsafeLines) {
  FakeClock clock;
  ScriptedLink link(clock);
  int err = 0;
  EXPECT_EQ(sendCommand(err, link, "NOOP"), 1);
  EXPECT_EQ(link.sent, "NOOP\r\n");
  EXPECT_EQ(sendCommand(err, link, std::string(2045, 'a')), 1);
  EXPECT_EQ(sendCommand(err, link, std::string(2046, 'a')), 0);
  EXPECT_EQ(sendCommand(err, link, "RETR a\r\nDELE b"), 0);
  EXPECT_EQ(sendCommand(err, link, std::string("RETR a\0b", 8)), 0);
  EXPECT_EQ(link.lines.size(), 2u);
  link.failWith(32);
  EXPECT_EQ(sendCommand(err, link, "NOOP"), -1);
  EXPECT_EQ(err, 32);
}

TEST(FtpCommandTest, PasswordsNeverReachTheLog) {
  FakeClock clock;
  ScriptedLink link(clock);
  RecordingChannel channel;
  RoleRecord role;
  role.channel = &channel;
  EXPECT_EQ(sendLoggedCommand(role, link, "PASS s3cret"), 1);
  EXPECT_EQ(sendLoggedCommand(role, link, "pass s3cret"), 1);
  EXPECT_EQ(sendLoggedCommand(role, link, "USER bob"), 1);
  EXPECT_FALSE(channel.anyLogContains("s3cret"));
  EXPECT_TRUE(channel.logged(kLogCommand, "PASS *********"));
  EXPECT_TRUE(channel.logged(kLogCommand, "USER bob"));
  EXPECT_EQ(link.lines[0], "PASS s3cret");
}

}  // namespace
}  // namespace fw

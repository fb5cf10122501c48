// The FTP exchange routines against a scripted server.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>

#include "engine/base/control_codes.h"
#include "engine/ftp/ftp_data.h"
#include "engine/ftp/ftp_queries.h"
#include "unit/engine/ftp/ftp_scripted_peer.h"

namespace fw {
namespace {

using test::RecordingChannel;
using test::ScriptedLink;

// Answers each command from a table; unknown commands get 502.
struct Server {
  std::map<std::string, std::vector<std::string>> replies;  // command -> answers in turn
  std::string operator()(const std::string& line) {
    auto it = replies.find(line);
    if (it == replies.end() || it->second.empty()) return "502 Unknown\r\n";
    std::string r = it->second.front();
    if (it->second.size() > 1) it->second.erase(it->second.begin());
    return r + "\r\n";
  }
};

class FakeDialer : public FtpDataDialer {
 public:
  explicit FakeDialer(FakeClock& clock) : m_clock(clock) {}
  std::string host;
  int port = 0;
  int result = 1;
  std::string payload;
  int connect(RoleRecord&, const ProxyRecord&, const std::string& ip, int p, int,
              std::unique_ptr<FtpLink>& out, int&) override {
    host = ip;
    port = p;
    if (result == 1) {
      auto link = std::make_unique<ScriptedLink>(m_clock);
      if (!payload.empty()) link->push(payload);
      link->closeAtEnd();
      out = std::move(link);
    }
    return result;
  }
  int listen(const std::string& localIp, std::unique_ptr<FtpListener>& out, int&) override {
    listenedOn = localIp;
    if (listenPort == 0) return -1;
    out = std::make_unique<FixedListener>(listenPort);
    return 1;
  }
  int listenPort = 0;  // 0: listening fails
  std::string listenedOn;

 private:
  class FixedListener : public FtpListener {
   public:
    explicit FixedListener(int port) : m_port(port) {}
    int port() const override { return m_port; }
    int accept(int, std::unique_ptr<FtpLink>&, int&) override { return 0; }

   private:
    int m_port;
  };
  FakeClock& m_clock;
};

class FtpExchangeTest : public ::testing::Test {
 protected:
  FtpExchangeTest() : control(clock), dialer(clock), view{job, jobLock, progressLock} {
    role.clock = &clock;
    role.channel = &channel;
    control.responder = [this](const std::string& l) { return server(l); };
    session.control = &control;
    session.dialer = &dialer;
    settings.dataOutSec = 30;
  }
  FakeClock clock;
  ScriptedLink control;
  FakeDialer dialer;
  RecordingChannel channel;
  RoleRecord role;
  Server server;
  FtpSession session;
  FtpSettings settings;
  JobRecord job;
  Lock jobLock, progressLock;
  FtpJobView view;
};

TEST_F(FtpExchangeTest, PrintWorkingDirectoryKeepsTheQuotedName) {
  server.replies["PWD"] = {"257 \"/home/user\" is current"};
  EXPECT_EQ(printWorkingDirectory(session, role, settings), 1);
  EXPECT_EQ(role.target.ftpDir, "/home/user/");
  role.target.ftpDir.clear();
  server.replies["PWD"] = {"257 no quotes"};
  EXPECT_EQ(printWorkingDirectory(session, role, settings), 2);
  EXPECT_EQ(role.target.ftpDir, "");
}

TEST_F(FtpExchangeTest, ResumeProbeAccepted) {
  server.replies["REST 100"] = {"350 Restarting"};
  server.replies["REST 0"] = {"350 Restarting"};
  EXPECT_EQ(probeResume(session, role, view, settings), 1);
  EXPECT_TRUE(job.resumable());
  EXPECT_EQ(channel.count(CtlRedrawRow), 1);
  EXPECT_TRUE(channel.logged(kLogState, "This site can resume broken downloads."));
  EXPECT_EQ(control.lines, (std::vector<std::string>{"REST 100", "REST 0"}));
}

struct ProbeCase {
  const char* reply;
  bool stillDownload;
  bool wasResumable;
  int64_t downloaded;
  int result;
  uint16_t flags;
  const char* message;
};

TEST_F(FtpExchangeTest, ResumeProbeRefusedTable) {
  const ProbeCase cases[] = {
      {"502 No", false, false, 0, kResultClose, 0,
       "This site can't resume broken downloads.Thread stop!"},
      {"502 No", true, false, 0, 1, jobflags::kNotResumable,
       "This site can't resume broken downloads."},
      {"504 No", true, true, 100, kResultClose, jobflags::kResumable,
       "Server changed can't resume broken downloads.Thread stop!"},
      {"502 No", true, true, 0, 1, jobflags::kNotResumable,
       "This site can't resume broken downloads."},
  };
  for (const auto& c : cases) {
    channel.logLines.clear();
    server.replies["REST 100"] = {c.reply};
    settings.stillNonResumable = c.stillDownload;
    job.flags = c.wasResumable ? jobflags::kResumable : 0;
    job.downloaded = c.downloaded;
    EXPECT_EQ(probeResume(session, role, view, settings), c.result) << c.reply;
    EXPECT_EQ(job.flags & jobflags::kResumeMask, c.flags) << c.reply;
    EXPECT_TRUE(channel.anyLogContains(c.message)) << c.message;
  }
}

TEST_F(FtpExchangeTest, ResumeProbe501SwitchesToBinaryOnceAndRetries) {
  server.replies["REST 100"] = {"501 Not in ASCII", "350 ok"};
  server.replies["TYPE I"] = {"200 Binary"};
  server.replies["REST 0"] = {"350 ok"};
  EXPECT_EQ(probeResume(session, role, view, settings), 1);
  EXPECT_EQ(control.lines, (std::vector<std::string>{"REST 100", "TYPE I", "REST 100", "REST 0"}));
}

TEST_F(FtpExchangeTest, SizeFallsBackToThePathWithoutLeadingSlash) {
  server.replies["TYPE I"] = {"200 ok"};
  server.replies["SIZE /pub/a.iso"] = {"550 No such file"};
  server.replies["SIZE pub/a.iso"] = {"213 1048576"};
  EXPECT_EQ(querySize(session, role, view, settings, "/pub/a.iso"), 1);
  EXPECT_EQ(job.fileSize, 1048576);
  server.replies["SIZE /pub/a.iso"] = {"213 999"};
  EXPECT_EQ(querySize(session, role, view, settings, "/pub/a.iso"), kResultClose);
  EXPECT_TRUE(channel.logged(kLogError, "File size already changed!"));
}

TEST_F(FtpExchangeTest, SizeThirdAttemptChangesIntoTheDirectory) {
  server.replies["TYPE I"] = {"200 ok"};
  server.replies["CWD /pub"] = {"250 ok"};
  server.replies["CWD sub dir"] = {"250 ok"};
  server.replies["SIZE a b.iso"] = {"213 42"};
  EXPECT_EQ(querySize(session, role, view, settings, "/pub/sub dir/a b.iso"), 1);
  EXPECT_EQ(job.fileSize, 42);
  EXPECT_EQ(control.lines, (std::vector<std::string>{"TYPE I", "SIZE /pub/sub dir/a b.iso",
                                                     "SIZE pub/sub dir/a b.iso", "CWD /pub",
                                                     "CWD sub dir", "TYPE I", "SIZE a b.iso"}));
}

TEST_F(FtpExchangeTest, SizeUnknownCarriesOn) {
  server.replies["TYPE I"] = {"200 ok"};
  server.replies["SIZE /a"] = {"450 busy"};
  EXPECT_EQ(querySize(session, role, view, settings, "/a"), 2);
  EXPECT_EQ(job.fileSize, -1);
}

TEST_F(FtpExchangeTest, DateAndAsciiMode) {
  server.replies["MDTM /a.txt"] = {"213 20240131120507"};
  EXPECT_EQ(queryDate(session, role, settings, "/a.txt"), 1);
  EXPECT_EQ(role.target.remoteDate.year, 2024);
  EXPECT_EQ(role.target.remoteDate.second, 7);
  server.replies["MDTM /b"] = {"550 no"};
  EXPECT_EQ(queryDate(session, role, settings, "/b"), 2);
  DateStamp d;
  EXPECT_FALSE(parseMdtmReply("213 2024", d));
  EXPECT_FALSE(parseMdtmReply("213 20241331120000", d));
  EXPECT_TRUE(ftpAsciiMode("readme.txt", ".TXT"));
  EXPECT_TRUE(ftpAsciiMode("notes.Txt", ".TXT;.LOG"));
  EXPECT_FALSE(ftpAsciiMode("a.iso", ".TXT"));
  EXPECT_FALSE(ftpAsciiMode("noext", ".TXT"));
  EXPECT_FALSE(ftpAsciiMode("trailingdot.", ".TXT"));
  EXPECT_TRUE(ftpAsciiMode("NOTES.LOG", ".txt .log"));
  EXPECT_TRUE(ftpAsciiMode("a.htm", ".HTML;.HTM"));
  // Only whole entries: a shorter extension that begins a listed one is binary.
  EXPECT_FALSE(ftpAsciiMode("image.tx", ".TXT"));
  EXPECT_FALSE(ftpAsciiMode("page.htm", ".HTML"));
  // The extension runs from the first ".": a second one does not count.
  EXPECT_FALSE(ftpAsciiMode("notes.v2.txt", ".TXT"));
  EXPECT_EQ(parseSizeReply("213 99999999999"), 99999999999LL);
  EXPECT_EQ(parseSizeReply("213 "), -1);
  EXPECT_EQ(parseSizeReply("213 99999999999999999999999"), -1);
}

TEST_F(FtpExchangeTest, PassiveConnectsToTheControlPeerNotTheAnnouncedHost) {
  server.replies["PASV"] = {"227 Entering Passive Mode (10,66,0,9,19,137)"};
  control.peer = "127.0.0.1";
  EXPECT_EQ(enterPassive(session, role, settings), 1);
  EXPECT_EQ(dialer.host, "127.0.0.1");
  EXPECT_EQ(dialer.port, 5001);
  // Through a tunnelling proxy the data connection goes to the URL's host.
  role.proxy.type = kProxySocks5;
  role.target.host = "ftp.example";
  EXPECT_EQ(enterPassive(session, role, settings), 1);
  EXPECT_EQ(dialer.host, "ftp.example");
}

TEST_F(FtpExchangeTest, OverIPv6TheDataConnectionIsNegotiatedWithoutAnAddress) {
  struct Case {
    const char* name;
    const char* peer;     // the control connection's far end
    uint8_t proxy;        // the Role's proxy type
    const char* target;   // the URL's host
    const char* passive;  // the command sent for a passive connection
    const char* active;   // the active command sent
  } cases[] = {
      {"IPv4", "127.0.0.1", kProxyDirect, "127.0.0.1", "PASV", "PORT 127,0,0,1,16,225"},
      {"IPv6", "::1", kProxyDirect, "::1", "EPSV", "EPRT |2|::1|4321|"},
      // Through a tunnel the proxy is the peer: the URL's host tells the family.
      {"TunnelToIPv6", "127.0.0.1", kProxySocks5, "::1", "EPSV", "EPRT |1|127.0.0.1|4321|"},
      {"TunnelToName", "127.0.0.1", kProxySocks5, "ftp.example", "PASV", "PORT 127,0,0,1,16,225"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    control.lines.clear();
    control.peer = c.peer;
    control.local = std::string(c.peer) == "::1" ? "::1" : "127.0.0.1";
    role.proxy.type = c.proxy;
    role.target.host = c.target;
    server.replies["PASV"] = {"227 Entering Passive Mode (10,66,0,9,19,137)"};
    server.replies["EPSV"] = {"229 Entering Extended Passive Mode (|||5001|)"};
    server.replies[c.active] = {"200 OK"};
    dialer.listenPort = 4321;
    EXPECT_EQ(enterPassive(session, role, settings), 1);
    EXPECT_EQ(dialer.port, 5001);
    EXPECT_EQ(dialer.host, c.proxy == kProxyDirect ? c.peer : c.target);
    EXPECT_EQ(enterActive(session, role, settings), 1);
    EXPECT_EQ(control.lines, (std::vector<std::string>{c.passive, c.active}));
  }
}

TEST_F(FtpExchangeTest, ExtendedPassiveFailuresTellTheRoleToGoActive) {
  control.peer = "::1";
  server.replies["EPSV"] = {"500 EPSV not understood", "229 (|||0|)", "229 no port"};
  EXPECT_EQ(enterPassive(session, role, settings), 500);
  EXPECT_EQ(enterPassive(session, role, settings), 2);
  EXPECT_EQ(enterPassive(session, role, settings), 2);
}

TEST_F(FtpExchangeTest, PassiveFailuresTellTheRoleToGoActive) {
  server.replies["PASV"] = {"227 garbage", "502 no passive"};
  EXPECT_EQ(enterPassive(session, role, settings), 2);
  EXPECT_EQ(enterPassive(session, role, settings), 502);
  server.replies["PASV"] = {"227 (127,0,0,1,4,1)"};
  dialer.result = 0;
  EXPECT_EQ(enterPassive(session, role, settings), 2);
  dialer.result = kResultTimeout;
  EXPECT_EQ(enterPassive(session, role, settings), kResultTimeout);
}

// Collects the data into a string, complete after `expect` bytes.
class StringSink : public FtpReceiveSink {
 public:
  explicit StringSink(size_t expect) : m_expect(expect) {}
  std::string data;
  size_t prepare(char*& dst) override {
    dst = m_buf;
    return sizeof m_buf;
  }
  int accepted(size_t n) override {
    data.append(m_buf, n);
    return data.size() >= m_expect ? 1 : 0;
  }
  int peerClosed() override { return data.size() >= m_expect ? 1 : 0; }

 private:
  size_t m_expect;
  char m_buf[7];
};

TEST_F(FtpExchangeTest, DataLoopReadsUntilCompleteAndIgnores226) {
  auto data = std::make_unique<ScriptedLink>(clock);
  data->push("hello ");
  data->push("world, this is the file");
  data->closeAtEnd();
  session.data = std::move(data);
  control.push("226 Transfer complete\r\n");
  StringSink sink(29);
  EXPECT_EQ(ftpDataLoop(session, role, settings, sink), 1);
  EXPECT_EQ(sink.data, "hello world, this is the file");
}

TEST_F(FtpExchangeTest, DataLoopReadsOnWithoutWaitingAndLooksAtTheControlEvery16Reads) {
  auto data = std::make_unique<ScriptedLink>(clock);
  std::string expect;
  for (int i = 0; i < 40; ++i) {
    std::string chunk(7, static_cast<char>('a' + i % 26));  // fills the sink's room
    data->push(chunk);
    expect += chunk;
  }
  data->closeAtEnd();
  ScriptedLink* link = data.get();
  session.data = std::move(data);
  StringSink sink(expect.size());
  EXPECT_EQ(ftpDataLoop(session, role, settings, sink), 1);
  EXPECT_EQ(sink.data, expect);
  EXPECT_EQ(link->timedWaits, 1) << "one wait before the first read, none between reads";
  EXPECT_EQ(control.polls, 3) << "before the wait, then at the 16th and 32nd read";
}

TEST_F(FtpExchangeTest, DataLoopEndsOnOtherControlRepliesEarlyCloseAndSilence) {
  auto data = std::make_unique<ScriptedLink>(clock);
  data->push("partial");
  session.data = std::move(data);
  control.push("426 Connection closed; transfer aborted\r\n");
  StringSink sink(100);
  EXPECT_EQ(ftpDataLoop(session, role, settings, sink), 426);

  auto early = std::make_unique<ScriptedLink>(clock);
  early->push("abc");
  early->closeAtEnd();
  session.data = std::move(early);
  StringSink sink2(100);
  EXPECT_EQ(ftpDataLoop(session, role, settings, sink2), 0);

  session.data = std::make_unique<ScriptedLink>(clock);
  StringSink sink3(100);
  int64_t before = clock.monotonicMs();
  EXPECT_EQ(ftpDataLoop(session, role, settings, sink3), kResultTimeout);
  EXPECT_GE(clock.monotonicMs() - before, 30000);
}

// A sink without a size: the data connection's end is the file's end only with the
// server's word for it.
class UnsizedSink : public StringSink {
 public:
  UnsizedSink() : StringSink(SIZE_MAX) {}
  int closes = 0;
  int peerClosed() override {
    ++closes;
    return 1;
  }
  bool closeNeedsConfirmation() override { return true; }
};

TEST_F(FtpExchangeTest, DataLoopWithoutSizeNeedsTheServersConfirmation) {
  struct Case {
    const char* name;
    const char* controlBefore;  // queued before the transfer ("" none)
    int result;
    int closes;
  } cases[] = {
      {"confirmed", "226 Transfer complete\r\n", 1, 1},
      // Cut off: the bytes already sent are still taken, the end is not the file's.
      {"aborted", "426 Connection closed; transfer aborted\r\n", 426, 0},
      {"silent", "", kResultTimeout, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto data = std::make_unique<ScriptedLink>(clock);
    data->push("some text");
    data->closeAtEnd();
    session.data = std::move(data);
    session.pending = FtpReplyBuffer{};
    if (*c.controlBefore) control.push(c.controlBefore);
    UnsizedSink sink;
    EXPECT_EQ(ftpDataLoop(session, role, settings, sink), c.result);
    EXPECT_EQ(sink.data, "some text");
    EXPECT_EQ(sink.closes, c.closes);
  }
}

TEST_F(FtpExchangeTest, DataLoopStopsOnRequest) {
  session.data = std::make_unique<ScriptedLink>(clock);
  role.outcome = -6;
  role.stopEvent.set();
  StringSink sink(1);
  EXPECT_EQ(ftpDataLoop(session, role, settings, sink), -6);
}

}  // namespace
}  // namespace fw

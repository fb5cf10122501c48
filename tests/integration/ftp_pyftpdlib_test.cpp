// The FTP steps against a real scripted server (pyftpdlib) on 127.0.0.1.

#include <gtest/gtest.h>

#include <fstream>

#include "engine/base/control_codes.h"
#include "engine/ftp/ftp_socket_link.h"
#include "engine/ftp/role_ftp_steps.h"
#include "platform/socket.h"
#include "platform/socket_io.h"
#include "support/ftp_servers.h"
#include "unit/engine/ftp/ftp_scripted_peer.h"

namespace fw {
namespace {

using test::RecordingChannel;

// Writes into an in-memory file at the offset the steps set, like the receive mechanics.
class MemorySink : public FtpReceiveSink, public FtpStepHooks {
 public:
  MemorySink(JobRecord& job, RoleRecord& role) : m_job(job), m_role(role) {}
  std::string file;
  int64_t offset = 0;
  size_t prepare(char*& dst) override {
    dst = m_buf;
    return sizeof m_buf;
  }
  int accepted(size_t n) override {
    if (m_role.range) {
      int64_t left = m_role.range->end - m_role.range->start + 1;
      if (static_cast<int64_t>(n) > left) n = static_cast<size_t>(left);
    }
    if (file.size() < static_cast<size_t>(offset) + n) file.resize(offset + n);
    file.replace(offset, n, m_buf, n);
    offset += n;
    m_job.downloaded += n;
    if (m_role.range) {
      m_role.range->start += n;
      return m_role.range->start > m_role.range->end ? 1 : 0;
    }
    return m_job.sizeKnown() && m_job.downloaded >= m_job.fileSize ? 1 : 0;
  }
  int peerClosed() override {
    if (!m_job.sizeKnown()) return 1;
    return m_job.downloaded >= m_job.fileSize ? 1 : 0;
  }
  bool hasOpenTarget() override { return true; }
  int prepareTarget() override { return 1; }
  int checkDiskSpace() override { return 1; }
  void deleteTarget() override { file.clear(); }
  void resetJob() override {}
  void setBufferOffset(int64_t o) override { offset = o; }
  int flushBuffer() override { return 1; }
  FtpReceiveSink& receiveSink() override { return *this; }

 private:
  JobRecord& m_job;
  RoleRecord& m_role;
  char m_buf[4096];
};

class FtpPyftpdlibTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!::fw::test::PyftpdlibServer::available()) {
      if (::fw::test::runningInCi()) FAIL() << "python3-pyftpdlib missing";
      GTEST_SKIP() << "python3-pyftpdlib missing (install it to run)";
    }
    content.resize(300000);
    for (size_t i = 0; i < content.size(); ++i)
      content[i] = static_cast<char>((i * 7919 + i / 251) & 0xFF);
    server.addFile("pub/a.iso", content);
  }

  void start(const std::vector<std::string>& faults) {
    ASSERT_TRUE(server.start(faults)) << server.error();
    port = server.port();
  }

  // Connects, reads the welcome reply and runs the FTP steps from 6 until they leave the
  // FTP range; returns the step they left to (ctx.code holds the dispatch code).
  int run() {
    int fd = kInvalidSocket, err = 0;
    EXPECT_EQ(createStreamSocket(fd, err), SocketSetup::Ok);
    EXPECT_EQ(connectSocket(fd, "127.0.0.1", static_cast<uint16_t>(port), Clock::system(),
                            role.stopEvent, 5000, err),
              1);
    control = std::make_unique<FtpSocketLink>(fd, Clock::system(), 5000);
    session.control = control.get();
    session.dialer = &dialer;
    int welcome = readReply(err, *control, role, 5000, session.pending, true);
    EXPECT_EQ(welcome, 220);
    int step = kStepFtpUser;
    for (int guard = 0; step >= kStepFtpUser && step <= kStepFtpRetr; ++guard) {
      if (guard > 50) return -1;
      step = runFtpStep(step, role, ctx);
    }
    return step;
  }

  ::fw::test::PyftpdlibServer server;
  int port = 0;
  std::string content;
  RecordingChannel channel;
  RoleRecord role;
  JobRecord job;
  Lock jobLock, progressLock;
  FtpJobView view{job, jobLock, progressLock};
  FtpSettings settings;
  FtpSession session;
  FtpSocketDialer dialer;
  std::unique_ptr<FtpSocketLink> control;
  MemorySink sink{job, role};
  std::atomic<uint32_t> flags{0};
  FtpStepContext ctx{session, view, settings, sink, flags};

  void prepareRole() {
    role.roleNo = 1;
    role.channel = &channel;
    role.target.path = "/pub/a.iso";
    role.target.fileName = "a.iso";
    role.proxy.flags = proxyflags::kPassive;
    settings.dataOutSec = 30;
    settings.connOutSec = 30;
    // The controller's side of CtlAssignRange: the whole file once, then nothing left.
    channel.handler = [this](RoleRecord& r, uint32_t code, intptr_t) -> intptr_t {
      if (code != CtlAssignRange) return 0;
      if (assigned || !job.sizeKnown()) {
        r.range = nullptr;
        return 0;
      }
      assigned = true;
      whole = PartRange{0, job.fileSize - 1, 1};
      r.range = &whole;
      return 1;
    };
  }
  bool assigned = false;
  PartRange whole;
};

TEST_F(FtpPyftpdlibTest, WholeFileWithSizeFallbackMultiLineLoginAndForeignPasvAddress) {
  start({"size-abs-550", "multiline230", "pasv-other"});
  prepareRole();
  int step = run();
  EXPECT_EQ(step, kStepDispatch) << server.log();
  EXPECT_EQ(ctx.code, kResultClose);  // CtlAssignRange answers 0: nothing left
  EXPECT_EQ(job.fileSize, static_cast<int64_t>(content.size()));
  EXPECT_TRUE(sink.file == content) << "got " << sink.file.size() << " bytes";
  EXPECT_TRUE(channel.logged(kLogServer, "230-Welcome to the test server."));
  EXPECT_TRUE(channel.logged(kLogCommand, "SIZE pub/a.iso"));
  EXPECT_TRUE(channel.logged(kLogCommand, "PASS *********"));
  EXPECT_TRUE(channel.anyLogContains("(10,255,255,1,"));
  EXPECT_EQ(channel.count(CtlTransferStarted), 1);
}

TEST_F(FtpPyftpdlibTest, RestPerRangeFetchesTheSecondHalfExactly) {
  start({});
  prepareRole();
  assigned = true;  // this Role's range is the only one
  role.roleNo = 2;
  job.fileSize = static_cast<int64_t>(content.size());
  job.flags = jobflags::kResumable;
  flags = ftpctl::kSizeKnown | ftpctl::kSizeQueried | ftpctl::kResumeProbed;
  PartRange range{150000, 299999, 1};
  role.range = &range;
  sink.file.assign(content.size(), '\0');
  EXPECT_EQ(run(), kStepDispatch);
  EXPECT_TRUE(channel.logged(kLogCommand, "REST 150000"));
  EXPECT_TRUE(sink.file.compare(150000, 150000, content, 150000, 150000) == 0);
  EXPECT_EQ(channel.count(CtlGrowToSplit), 1);
}

TEST_F(FtpPyftpdlibTest, RestRefusedWithStillDownloadMarksTheJobNotResumable) {
  start({"rest502", "user230"});
  prepareRole();
  assigned = true;  // a job that cannot resume has no ranges to hand out
  settings.stillNonResumable = true;
  EXPECT_EQ(run(), kStepDispatch);
  EXPECT_TRUE(job.notResumable());
  EXPECT_TRUE(channel.logged(kLogState, "This site can't resume broken downloads."));
  EXPECT_FALSE(channel.anyLogContains("PASS"));  // 230 to USER skips the password
  EXPECT_TRUE(sink.file == content);
}

TEST_F(FtpPyftpdlibTest, RestRefusedWithoutTheOptionStops) {
  start({"rest501"});
  prepareRole();
  EXPECT_EQ(run(), kStepDispatch);
  EXPECT_EQ(ctx.code, kResultClose);
  EXPECT_TRUE(channel.logged(kLogError, "This site can't resume broken downloads.Thread stop!"));
}

TEST_F(FtpPyftpdlibTest, EveryRetrRefusedEndsWithErrorAfterFiveForms) {
  start({"retr550"});
  prepareRole();
  EXPECT_EQ(run(), kStepDispatch);
  EXPECT_EQ(ctx.code, kResultError);
  int retrs = 0;
  for (const auto& l : channel.logLines) retrs += l.second.rfind("RETR ", 0) == 0;
  EXPECT_EQ(retrs, 5);
}

TEST_F(FtpPyftpdlibTest, ConnectionDroppedMidTransferIsARetry) {
  start({"drop=70000"});
  prepareRole();
  EXPECT_EQ(run(), kStepDispatch);
  EXPECT_EQ(ctx.code, 0);  // lost before the end: the Role retries
  EXPECT_EQ(job.downloaded, 70000);
  EXPECT_TRUE(sink.file.compare(0, 70000, content, 0, 70000) == 0);
}

TEST_F(FtpPyftpdlibTest, ChangedDateStopsAResumedJob) {
  start({"mdtm-changed"});
  prepareRole();
  job.fileDate.year = 2024;
  job.fileDate.month = 1;
  job.fileDate.day = 31;
  job.fileDate.hour = 12;
  EXPECT_EQ(run(), kStepEnd);
  EXPECT_TRUE(
      channel.logged(kLogError, "The file on the server is newer, you should download it again."));
}

}  // namespace
}  // namespace fw

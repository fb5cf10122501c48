// The FTP steps of the Role against a scripted server.

#include <gtest/gtest.h>

#include <map>

#include "engine/base/control_codes.h"
#include "engine/ftp/role_ftp_steps.h"
#include "unit/engine/ftp/ftp_scripted_peer.h"

namespace fw {
namespace {

using test::RecordingChannel;
using test::ScriptedLink;

class NullSink : public FtpReceiveSink {
 public:
  char buf[64];
  size_t prepare(char*& dst) override {
    dst = buf;
    return sizeof buf;
  }
  int accepted(size_t) override { return 0; }
  int peerClosed() override { return 1; }
};

class Hooks : public FtpStepHooks {
 public:
  bool open = false;
  int prepareResult = 1;
  int prepares = 0, deletes = 0, resets = 0;
  int64_t offset = -1;
  NullSink sink;
  bool hasOpenTarget() override { return open; }
  int prepareTarget() override {
    ++prepares;
    return prepareResult;
  }
  int checkDiskSpace() override { return 1; }
  void deleteTarget() override { ++deletes; }
  void resetJob() override { ++resets; }
  void setBufferOffset(int64_t o) override { offset = o; }
  int flushBuffer() override { return 1; }
  FtpReceiveSink& receiveSink() override { return sink; }
};

class NoDialer : public FtpDataDialer {
 public:
  explicit NoDialer(FakeClock& c) : clock(c) {}
  FakeClock& clock;
  int connect(RoleRecord&, const ProxyRecord&, const std::string&, int, int,
              std::unique_ptr<FtpLink>& out, int&) override {
    out = std::make_unique<ScriptedLink>(clock);
    return 1;
  }
  int listen(const std::string&, std::unique_ptr<FtpListener>&, int&) override { return -1; }
};

class RoleFtpStepsTest : public ::testing::Test {
 protected:
  RoleFtpStepsTest()
      : control(clock),
        dialer(clock),
        view{job, jobLock, progressLock},
        ctx{session, view, settings, hooks, flags} {
    role.clock = &clock;
    role.channel = &channel;
    role.roleNo = 1;
    role.proxy.flags = proxyflags::kPassive;
    control.responder = [this](const std::string& l) -> std::string {
      auto it = replies.find(l.substr(0, l.find(' ')));
      return it == replies.end() ? "502 no\r\n" : it->second + "\r\n";
    };
    session.control = &control;
    session.dialer = &dialer;
  }
  FakeClock clock;
  ScriptedLink control;
  NoDialer dialer;
  RecordingChannel channel;
  RoleRecord role;
  std::map<std::string, std::string> replies;  // by command verb
  FtpSession session;
  FtpSettings settings;
  JobRecord job;
  Lock jobLock, progressLock;
  FtpJobView view;
  Hooks hooks;
  std::atomic<uint32_t> flags{0};
  FtpStepContext ctx;
};

TEST_F(RoleFtpStepsTest, UserAnswered230SkipsThePassword) {
  replies["USER"] = "230 Welcome";
  EXPECT_EQ(ftpStepUser(role, ctx), kStepFtpDirectory);
  EXPECT_EQ(control.lines, std::vector<std::string>{"USER anonymous"});
  EXPECT_TRUE(channel.logged(kLogState, "Login Successful"));
}

TEST_F(RoleFtpStepsTest, PasswordIsSentButNeverLogged) {
  role.target.user = "bob";
  role.target.password = "hunter2";
  replies["USER"] = "331 Password";
  replies["PASS"] = "530 Wrong";
  EXPECT_EQ(ftpStepUser(role, ctx), kStepFtpPass);
  EXPECT_EQ(ftpStepPassword(role, ctx), kStepDispatch);
  EXPECT_EQ(ctx.code, 530);
  EXPECT_EQ(control.lines[1], "PASS hunter2");
  EXPECT_TRUE(channel.logged(kLogCommand, "PASS *********"));
  EXPECT_FALSE(channel.anyLogContains("hunter2"));
}

TEST_F(RoleFtpStepsTest, ResumedJobWithoutItsFileStops) {
  replies["USER"] = "230 ok";
  job.downloaded = 500;
  job.createTime.month = 3;
  hooks.prepareResult = -1;
  EXPECT_EQ(ftpStepUser(role, ctx), kStepDispatch);
  EXPECT_EQ(ctx.code, kResultClose);
  EXPECT_TRUE(channel.logged(kLogError, "Not find downloaded file, can't resume! "));
}

TEST_F(RoleFtpStepsTest, EveryRetrRefusedWalksTheFiveFormsThenFails) {
  role.target.path = "/pub/my%20file.iso";
  role.target.ftpDir = "/home/";
  replies["REST"] = "350 ok";
  replies["RETR"] = "550 No such file";
  int step = kStepFtpRest;
  int guard = 0;
  while (step == kStepFtpRest || step == kStepFtpRetr) {
    step = runFtpStep(step, role, ctx);
    ASSERT_LT(++guard, 20);
  }
  EXPECT_EQ(step, kStepDispatch);
  EXPECT_EQ(ctx.code, kResultError);
  std::vector<std::string> retrs;
  int rests = 0;
  for (const auto& l : control.lines) {
    if (l.rfind("RETR", 0) == 0) retrs.push_back(l);
    rests += l.rfind("REST", 0) == 0;
  }
  EXPECT_EQ(retrs, (std::vector<std::string>{"RETR /pub/my file.iso", "RETR pub/my file.iso",
                                             "RETR /pub/my%20file.iso", "RETR /pub/my file.iso%20",
                                             "RETR /home//pub/my file.iso"}));
  EXPECT_EQ(rests, 5);
  // REST is logged on the first attempt only.
  int restLogs = 0;
  for (const auto& l : channel.logLines) restLogs += l.second.rfind("REST", 0) == 0;
  EXPECT_EQ(restLogs, 1);
}

TEST(RetrCommandTest, Forms) {
  EXPECT_EQ(retrCommand(3, "/a b", "/a b", ""), "RETR /a%20b");
  EXPECT_EQ(retrCommand(4, "/a", "/a", ""), "RETR a");
  EXPECT_EQ(retrCommand(4, "a", "a", ""), "RETR  %20");
  EXPECT_EQ(retrCommand(1, "a", "a", ""), "RETR a");
}

TEST_F(RoleFtpStepsTest, DownloadAgainWithTheSameDateEndsWithoutFetching) {
  role.target.path = "/a.iso";
  role.target.fileName = "a.iso";
  job.flags2 = jobflags2::kDownloadAgain;
  job.fileDate.year = 2024;
  job.fileDate.month = 1;
  job.fileDate.day = 31;
  replies["TYPE"] = "200 ok";
  replies["PASV"] = "227 (127,0,0,1,4,1)";
  replies["LIST"] = "550 no listing";
  replies["MDTM"] = "213 20240131000000";
  EXPECT_EQ(ftpStepSizeDate(role, ctx), kStepEnd);
  EXPECT_EQ(job.flags2 & jobflags2::kDownloadAgain, 0);
  EXPECT_EQ(hooks.deletes, 0);
}

TEST_F(RoleFtpStepsTest, ChangedDateOnDownloadAgainRestartsFromZero) {
  role.target.path = "/a.iso";
  job.flags2 = jobflags2::kDownloadAgain;
  job.fileDate.year = 2023;
  job.fileDate.month = 1;
  job.fileDate.day = 1;
  flags = ftpctl::kSizeKnown | ftpctl::kSizeQueried;
  replies["TYPE"] = "200 ok";
  replies["PASV"] = "227 (127,0,0,1,4,1)";
  replies["LIST"] = "550 no";
  replies["MDTM"] = "213 20240131000000";
  EXPECT_EQ(ftpStepSizeDate(role, ctx), kStepUrl);
  EXPECT_EQ(hooks.resets, 1);
  EXPECT_EQ(hooks.deletes, 1);
  EXPECT_EQ(flags.load() & (ftpctl::kSizeKnown | ftpctl::kSizeQueried), 0u);
  EXPECT_TRUE(
      channel.logged(kLogError, "The file on the server is newer, you should download it again."));
}

// A stopped job asked to download again still holds ranges: they are thrown away only
// when no other Role is running that could hold one.
TEST_F(RoleFtpStepsTest, DownloadAgainWithRangesResetsOnlyAsTheLastRole) {
  for (uint8_t last : {0, 1}) {
    SCOPED_TRACE(last);
    hooks.resets = hooks.deletes = 0;
    role.target.path = "/a.iso";
    job.flags2 = jobflags2::kDownloadAgain;
    job.fileDate = DateStamp{};
    job.fileDate.year = 2023;
    job.fileDate.month = 1;
    job.fileDate.day = 1;
    replies["TYPE"] = "200 ok";
    replies["PASV"] = "227 (127,0,0,1,4,1)";
    replies["LIST"] = "550 no";
    replies["MDTM"] = "213 20240131000000";
    channel.handler = [last](RoleRecord&, uint32_t code, intptr_t arg) -> intptr_t {
      if (code == CtlHasRanges) return 1;
      if (code == CtlIsLastRole) *reinterpret_cast<uint8_t*>(arg) = last;
      return 0;
    };
    int next = ftpStepSizeDate(role, ctx);
    EXPECT_EQ(next, last ? kStepUrl : kStepDispatch);
    EXPECT_EQ(hooks.resets, last);
    EXPECT_EQ(hooks.deletes, last);
    if (!last) {
      EXPECT_EQ(ctx.code, kResultClose);
    }
    EXPECT_EQ(job.flags2 & jobflags2::kDownloadAgain, 0);
  }
}

// A text file in ASCII mode is not sized: SIZE counts the stored bytes, not the ones the
// transfer brings, and a size kept from an earlier binary run is dropped with its ranges.
TEST_F(RoleFtpStepsTest, AsciiFileIsNotSizedAndFetchedByTheFirstRoleFromZero) {
  role.target.path = "/notes.txt";
  role.target.fileName = "notes.txt";
  job.fileSize = 5000;
  job.downloaded = 1200;
  job.flags = jobflags::kResumable;
  job.parts.push_back(PartRange{1200, 4999, 0});
  replies["TYPE"] = "200 ok";
  replies["PASV"] = "227 (127,0,0,1,4,1)";
  replies["LIST"] = "550 no";
  replies["MDTM"] = "213 20240131120000";
  replies["SIZE"] = "213 5000";
  EXPECT_EQ(ftpStepSizeDate(role, ctx), kStepFtpType);
  EXPECT_FALSE(channel.anyLogContains("SIZE"));
  EXPECT_EQ(job.fileSize, -1);
  EXPECT_TRUE(job.parts.empty());

  EXPECT_EQ(ftpStepType(role, ctx), kStepFtpData);
  EXPECT_TRUE(channel.logged(kLogCommand, "TYPE A"));
  job.downloaded = 3000;  // a broken earlier attempt
  EXPECT_EQ(ftpStepData(role, ctx), kStepFtpRetr);
  EXPECT_EQ(job.downloaded, 0);
  EXPECT_EQ(hooks.offset, 0);
  EXPECT_EQ(channel.count(CtlAssignRange), 0);

  role.roleNo = 2;
  EXPECT_EQ(ftpStepData(role, ctx), kStepDispatch);
  EXPECT_EQ(ctx.code, kResultClose);
}

TEST_F(RoleFtpStepsTest, SizeAndDateOncePerRunThenType) {
  role.target.path = "/pub/a.iso";
  replies["TYPE"] = "200 ok";
  replies["PASV"] = "227 (127,0,0,1,4,1)";
  replies["LIST"] = "550 no";
  replies["MDTM"] = "213 20240131120000";
  replies["SIZE"] = "213 4096";
  EXPECT_EQ(ftpStepSizeDate(role, ctx), kStepFtpType);
  EXPECT_EQ(job.fileSize, 4096);
  EXPECT_EQ(job.fileDate.year, 2024);
  EXPECT_EQ(channel.count(CtlShowSize), 1);
  EXPECT_EQ(flags.load() & (ftpctl::kSizeKnown | ftpctl::kSizeQueried),
            ftpctl::kSizeKnown | ftpctl::kSizeQueried);
}

TEST_F(RoleFtpStepsTest, DirectoryStepProbesResumeOncePerRun) {
  replies["PWD"] = "257 \"/\"";
  replies["REST"] = "350 ok";
  EXPECT_EQ(ftpStepDirectory(role, ctx), kStepFtpSizeDate);
  EXPECT_EQ(ftpStepDirectory(role, ctx), kStepFtpSizeDate);
  int probes = 0;
  for (const auto& l : control.lines) probes += l == "REST 100";
  EXPECT_EQ(probes, 1);
  flags |= ftpctl::kSizeKnown;
  EXPECT_EQ(ftpStepDirectory(role, ctx), kStepFtpType);
}

}  // namespace
}  // namespace fw

// The Role's step machine without a server: stop requests, the retry limit, the
// error-stop flag and the dial-up wait, on a fake clock.

#include "engine/role/role_worker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "jobs/job_controller.h"
#include "platform/fake_clock.h"
#include "support/recording_host.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

class SwitchedLine final : public DialLine {
 public:
  bool enabled() const override { return true; }
  Event& lineUpEvent() override { return up; }
  int dialState() const override { return 0; }
  Event up{Event::Reset::Manual, false};
};

class RoleSteps : public ::testing::Test {
 protected:
  RoleSteps() {
    job.saveDir = dir.path();
    job.splitCount = 1;
    job.category = kCategoryDownload;
    // Nothing listens on a port just found free: every connect is refused at once.
    job.url = "http://127.0.0.1:" + std::to_string(test::freeTcpPort()) + "/f.bin";
    settings.retryNum = 99;
  }
  // Runs the job until it ends (or `stopWhen` says to stop it).
  void runJob(RoleEntry entry = runRoleWorker, std::function<bool()> stopWhen = nullptr,
              DialLine* dial = nullptr) {
    ctl = std::make_unique<JobController>(loop, job, host, clock, entry);
    StorageOptions storage;
    storage.fallbackDir = dir.path();
    ASSERT_EQ(ctl->prepareRun(settings, ending, storage, dial), 1);
    ctl->command(CtlStart, 0);
    bool stopped = false;
    for (int i = 0; i < 20000 && host.endings == 0; ++i) {
      loop.processPending();
      if (stopWhen && !stopped && stopWhen()) {
        ctl->command(CtlStopAll, 0);
        stopped = true;
      }
      if (job.activeRoles == 0) ctl->tick();
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    ASSERT_EQ(host.endings, 1);
  }
  bool logged(const std::string& text) const {
    for (const std::string& l : host.logLines) {
      if (l.find(text) != std::string::npos) return true;
    }
    return false;
  }
  int count(const std::string& text) const {
    int n = 0;
    for (const std::string& l : host.logLines) n += l.find(text) != std::string::npos;
    return n;
  }

  test::TempDir dir{"fwrole"};
  FakeClock clock;
  MessageLoop loop{clock};
  JobRecord job;
  RoleSettings settings;
  EndingOptions ending;
  test::RecordingHost host;
  std::unique_ptr<JobController> ctl;
};

TEST_F(RoleSteps, StopDuringTheStartPauseConnectsNothing) {
  runJob([](RoleRecord& r) {
    r.outcome = -2;
    r.stopEvent.set();
    runRoleWorker(r);
  });
  EXPECT_TRUE(logged("1:2Thread Caclled by user at 0"));
  EXPECT_FALSE(logged("Connecting"));
  EXPECT_FALSE(host.lastComplete);
  EXPECT_EQ(job.flags & jobflags::kFailed, 0) << "a user stop is no failure";
}

TEST_F(RoleSteps, RetryNumZeroHaltsAtTheFirstPause) {
  settings.retryNum = 0;
  runJob();
  EXPECT_TRUE(logged("1:0Reach Max Error,Role Halt!"));
  EXPECT_FALSE(logged("Wait 5 second retry"));
  EXPECT_NE(job.flags & jobflags::kFailed, 0);
}

TEST_F(RoleSteps, RetriesAreCountedPerJobUpToRetryNum) {
  settings.retryNum = 3;
  runJob();
  EXPECT_EQ(count("Error code:111 , Wait 5 second retry"), 3);
  EXPECT_EQ(ctl->retryCount(), 3);
  EXPECT_EQ(host.cells["Retry"], "3");
  EXPECT_TRUE(logged("Reach Max Error,Role Halt!"));
}

TEST_F(RoleSteps, AlwaysRetryIgnoresTheLimitUntilStopped) {
  settings.retryNum = 0;
  settings.connType = conntype::kAlwaysRetry;
  runJob(runRoleWorker, [&] { return count("Wait 5 second retry") >= 4; });
  EXPECT_FALSE(logged("Reach Max Error"));
  EXPECT_TRUE(logged("Thread Caclled by user"));
  EXPECT_EQ(ctl->retryCount(), 0) << "unlimited retries are not reported";
}

TEST_F(RoleSteps, ErrorStopEndsAtTheFirstError) {
  ending.errorStop = true;
  runJob();
  EXPECT_TRUE(logged("1:2Download error occur."));
  EXPECT_FALSE(logged("Wait 5 second retry"));
}

TEST_F(RoleSteps, WaitsForTheLineThenGoesOn) {
  SwitchedLine line;
  settings.useDialup = true;
  job.url = "notaurl";
  // The line comes up on the controller's thread, the one that took the dial request, as
  // the dial-up manager's would, some passes after the Role said it waits; the Role must
  // not have gone on before.
  bool wentOnEarly = false;
  int passesWaiting = 0;
  auto raiseLine = [&] {
    if (host.dialRequests > 0 && !line.up.isSet() && logged("Wait dialing...") &&
        ++passesWaiting == 20) {
      wentOnEarly = logged("Invalid Urls");
      line.up.set();
    }
    return false;
  };
  runJob(runRoleWorker, raiseLine, &line);
  EXPECT_TRUE(line.up.isSet()) << "the Role ended without the line";
  EXPECT_FALSE(wentOnEarly);
  EXPECT_EQ(host.dialRequests, 1);
  EXPECT_TRUE(logged("1:0Wait dialing..."));
  EXPECT_TRUE(logged("1:2Invalid Urls")) << "the Role went on once the line was up";
}

// How long (on the fake clock) a Role spends before its first step after the line, by
// pacing and dial-up. "notaurl" ends the Role right at that step.
TEST_F(RoleSteps, PacingDecidesThePauseBeforeConnectingButNeverTheWaitForTheLine) {
  enum class Line { None, Up, Down };
  struct Case {
    bool pacing;
    Line line;
    bool waitsForLine;
    int64_t pauseMs;  // -1: as long as the line took
  } cases[] = {
      {true, Line::None, false, 588}, {false, Line::None, false, 0}, {true, Line::Up, false, 588},
      {false, Line::Up, false, 0},    {true, Line::Down, true, -1},  {false, Line::Down, true, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "pacing " << c.pacing << ", line " << int(c.line));
    host = test::RecordingHost{};
    SwitchedLine line;
    line.up.reset();
    if (c.line == Line::Up) line.up.set();
    settings.pacing = c.pacing;
    settings.useDialup = c.line != Line::None;
    job.url = "notaurl";
    // As in the test above, the line comes up on the controller's thread once the Role
    // said it waits.
    auto raiseLine = [&] {
      if (c.line == Line::Down && host.dialRequests > 0 && logged("Wait dialing...")) line.up.set();
      return false;
    };
    const int64_t before = clock.monotonicMs();
    runJob(runRoleWorker, raiseLine, &line);
    EXPECT_EQ(host.dialRequests, c.waitsForLine ? 1 : 0);
    EXPECT_EQ(logged("1:0Wait dialing..."), c.waitsForLine);
    EXPECT_TRUE(logged("1:2Invalid Urls"));
    if (c.pauseMs >= 0) EXPECT_EQ(clock.monotonicMs() - before, c.pauseMs);
  }
}

TEST_F(RoleSteps, WithoutPacingAStopAlreadyWaitingStillComesFirst) {
  settings.pacing = false;
  runJob([](RoleRecord& r) {
    r.outcome = -2;
    r.stopEvent.set();
    runRoleWorker(r);
  });
  EXPECT_TRUE(logged("1:2Thread Caclled by user at 0"));
  EXPECT_FALSE(logged("Connecting"));
}

TEST(ContentRange, Forms) {
  int64_t f, l, t;
  ASSERT_TRUE(parseContentRange(" bytes 100-199/1000", f, l, t));
  EXPECT_EQ(f, 100);
  EXPECT_EQ(l, 199);
  EXPECT_EQ(t, 1000);
  ASSERT_TRUE(parseContentRange("bytes 0-0/*", f, l, t));
  EXPECT_EQ(t, -1);
  EXPECT_FALSE(parseContentRange("bytes */1000", f, l, t));
  EXPECT_FALSE(parseContentRange("100-199/1000", f, l, t));
  EXPECT_FALSE(parseContentRange("bytes 200-100/1000", f, l, t));
}

}  // namespace
}  // namespace fw

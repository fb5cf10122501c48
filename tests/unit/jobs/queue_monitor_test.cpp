#include "jobs/queue_monitor.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "platform/fake_clock.h"

namespace fw {
namespace {

// Runs are scripted: a started job keeps "Roles" until the test finishes it.
class ScriptedRunner : public JobRunner {
 public:
  int startRun(JobRecord& job) override {
    ++starts[&job];
    job.activeRoles = 1;
    return startResult;
  }
  void endRun(JobRecord& job, int code) override {
    endCodes[&job] = code;
    job.activeRoles = 0;
  }
  bool hasRoles(JobRecord& job) override { return job.activeRoles > 0; }
  void releaseController(JobRecord& job) override {
    ++released[&job];
    job.controller = nullptr;
  }
  void finish(JobRecord& job, bool complete) {
    job.activeRoles = 0;
    if (complete) job.flags |= jobflags::kComplete;
  }

  int startResult = 1;
  std::map<JobRecord*, int> starts, endCodes, released;
};

class RecordingHost : public MonitorHost {
 public:
  void setTitle(const std::string& t) override { titles.push_back(t); }
  void showQueued(JobRecord& job) override { queued.push_back(&job); }
  void notice(const std::string& text) override { notices.push_back(text); }
  void playSound(const std::string& p) override { sounds.push_back(p); }
  void startUpdateCheck() override { ++updateChecks; }
  void databaseChecks(const CalendarTime&) override { ++dbChecks; }
  void endOfWorkCountdown(int seconds, const std::string& format, bool shutdown) override {
    countdowns.push_back({seconds, format, shutdown});
  }
  struct Countdown {
    int seconds;
    std::string format;
    bool shutdown;
  };
  std::vector<std::string> titles, notices, sounds;
  std::vector<JobRecord*> queued;
  std::vector<Countdown> countdowns;
  int updateChecks = 0, dbChecks = 0;
};

// Monday 2026-12-07 00:00:00 UTC.
constexpr int64_t kMonday = 1796601600;

struct QueueMonitorTest : ::testing::Test {
  FakeClock clock{kMonday};
  ScriptedRunner runner;
  RecordingHost host;
  ProgramTransfer transfer;
  MonitorSettings settings;
  std::unique_ptr<QueueMonitor> monitor;
  std::vector<std::unique_ptr<JobRecord>> jobs;

  void make() { monitor = std::make_unique<QueueMonitor>(runner, host, transfer, clock, settings); }
  JobRecord& job() {
    jobs.push_back(std::make_unique<JobRecord>());
    jobs.back()->fileSize = 1000;
    return *jobs.back();
  }
  // Advances to the next schedule check, landing on local time hh:mm.
  void scheduleTickAt(int hour, int minute, int dayOffset = 0) {
    clock.setWallSeconds(kMonday + dayOffset * 86400 + hour * 3600 + minute * 60);
    for (int i = 0; i < kScheduleTickPeriod; ++i) monitor->tick();
  }
};

TEST_F(QueueMonitorTest, SecondJobWaitsForTheOnlySlotAndStartsWithinATickOfTheFirstsRetirement) {
  settings.simuRole = 1;
  make();
  JobRecord& a = job();
  JobRecord& b = job();
  EXPECT_EQ(monitor->start(a), 1);
  EXPECT_EQ(monitor->start(b), 1);
  EXPECT_EQ(runner.starts[&b], 0);
  EXPECT_TRUE(b.flags2 & jobflags2::kQueued);
  ASSERT_EQ(host.queued.size(), 1u);
  EXPECT_EQ(host.queued[0], &b);
  EXPECT_EQ(monitor->start(b), 1);
  EXPECT_EQ(monitor->waitQueue().size(), 1u) << "a queued job is queued once";

  monitor->tick();
  EXPECT_EQ(runner.starts[&b], 0);
  runner.finish(a, true);
  monitor->tick();
  EXPECT_EQ(runner.starts[&b], 1);
  EXPECT_FALSE(b.flags2 & jobflags2::kQueued);
  EXPECT_EQ(runner.released[&a], 1) << "a complete job's controller is released";
  ASSERT_EQ(monitor->running().size(), 1u);
  EXPECT_EQ(monitor->running()[0], &b);
}

// A job's run ends (the host reports it) while a second job waits for the only slot.
TEST_F(QueueMonitorTest, WithoutPacingTheQueuedJobTakesTheSlotAsTheRunEnds) {
  struct Case {
    bool pacing;
    bool complete;
    int startedAtEnd;    // starts of the queued job right after runEnded
    int releasedAtEnd;   // releases of the ended job's controller then
    int releasedAtTick;  // and after the next tick
  } cases[] = {
      {true, true, 0, 0, 1},
      {true, false, 0, 0, 0},
      {false, true, 1, 0, 1},  // released at the tick: its controller is still ending
      {false, false, 1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "pacing " << c.pacing << ", complete " << c.complete);
    runner = ScriptedRunner{};
    settings.simuRole = 1;
    settings.pacing = c.pacing;
    make();
    JobRecord& a = job();
    JobRecord& b = job();
    monitor->start(a);
    monitor->start(b);
    monitor->runEnded(a);
    EXPECT_EQ(runner.starts[&b], 0) << "a run still going frees no slot";

    runner.finish(a, c.complete);
    monitor->runEnded(a);
    EXPECT_EQ(runner.starts[&b], c.startedAtEnd);
    EXPECT_EQ(runner.released[&a], c.releasedAtEnd);
    EXPECT_EQ(!!(b.flags2 & jobflags2::kQueued), c.startedAtEnd == 0);
    monitor->runEnded(a);  // told twice: still one job for one slot
    monitor->tick();
    EXPECT_EQ(runner.starts[&b], 1);
    EXPECT_EQ(runner.released[&a], c.releasedAtTick);
    ASSERT_EQ(monitor->running().size(), 1u);
    EXPECT_EQ(monitor->running()[0], &b);
  }
}

TEST_F(QueueMonitorTest, WithoutPacingAJobStartedAgainBeforeTheTickKeepsItsController) {
  settings.pacing = false;
  make();
  JobRecord& a = job();
  monitor->start(a);
  runner.finish(a, true);
  monitor->runEnded(a);
  EXPECT_TRUE(monitor->running().empty());
  a.flags2 |= jobflags2::kDownloadAgain;
  monitor->start(a);
  monitor->tick();
  EXPECT_EQ(runner.released[&a], 0);
  ASSERT_EQ(monitor->running().size(), 1u);
}

TEST_F(QueueMonitorTest, StartRefusesCompleteJobsUnlessAskedToDownloadAgain) {
  make();
  JobRecord& a = job();
  a.downloaded = a.fileSize;
  EXPECT_EQ(monitor->start(a), 1);
  EXPECT_EQ(runner.starts[&a], 0);
  a.flags2 |= jobflags2::kDownloadAgain;
  EXPECT_EQ(monitor->start(a), 1);
  EXPECT_EQ(runner.starts[&a], 1);
}

TEST_F(QueueMonitorTest, FailuresToStartAreReportedAndLeaveNoRunningEntry) {
  make();
  JobRecord& a = job();
  runner.startResult = -1;
  EXPECT_EQ(monitor->start(a), -1);
  EXPECT_TRUE(monitor->running().empty());
}

TEST_F(QueueMonitorTest, FailedJobIsRetiredButKeepsItsController) {
  make();
  JobRecord& a = job();
  monitor->start(a);
  runner.finish(a, false);
  monitor->tick();
  EXPECT_TRUE(monitor->running().empty());
  EXPECT_EQ(runner.released[&a], 0);
}

TEST_F(QueueMonitorTest, ScheduleStartsAndStopsOnSelectedDaysOnly) {
  settings.startTime = (1 << 8) | 30;  // 01:30
  settings.stopTime = (5 << 8) | 0;    // 05:00
  settings.days = 0x01 | 0x40;         // Monday and Sunday
  make();
  JobRecord& a = job();
  a.setStartMode(kStartSchedule);
  monitor->addToSchedule(a);
  monitor->addToSchedule(a);
  EXPECT_EQ(monitor->scheduleList().size(), 1u);

  scheduleTickAt(1, 29);
  EXPECT_EQ(runner.starts[&a], 0);
  scheduleTickAt(1, 30, 1);  // Tuesday: not a selected day
  EXPECT_EQ(runner.starts[&a], 0);
  scheduleTickAt(1, 30, 6);  // Sunday counts as day 7 (bit 6)
  EXPECT_EQ(runner.starts[&a], 1);
  EXPECT_EQ(a.startMode(), kStartManual);
  EXPECT_TRUE(monitor->scheduleList().empty());

  JobRecord& queued = job();
  settings.simuRole = 1;
  monitor->setSettings(settings);
  monitor->start(queued);
  ASSERT_EQ(monitor->waitQueue().size(), 1u);
  scheduleTickAt(5, 0, 2);  // Wednesday: not selected, nothing stops
  EXPECT_EQ(runner.endCodes.count(&a), 0u);
  scheduleTickAt(5, 0, 7);  // the next Monday
  EXPECT_EQ(runner.endCodes[&a], -2);
  EXPECT_TRUE(monitor->waitQueue().empty());
  EXPECT_FALSE(queued.flags2 & jobflags2::kQueued);
}

TEST_F(QueueMonitorTest, EqualStartAndStopTimesStartAndNeverStopThatMinute) {
  settings.startTime = settings.stopTime = (3 << 8) | 15;
  make();
  JobRecord& a = job();
  monitor->addToSchedule(a);
  scheduleTickAt(3, 15);
  EXPECT_EQ(runner.starts[&a], 1);
  scheduleTickAt(3, 15);
  EXPECT_EQ(runner.endCodes.count(&a), 0u);
}

TEST_F(QueueMonitorTest, AllDoneNoticeOnlyWhenTheLastJobEndedByItself) {
  settings.sflag = 0x04 | 0x08;
  settings.allDoneSound = "/x/alldown.wav";
  settings.shutDownWhenDone = true;
  make();
  JobRecord& a = job();
  monitor->start(a);
  monitor->tick();
  monitor->stop(a, -2);
  monitor->tick();
  EXPECT_TRUE(host.notices.empty());
  EXPECT_TRUE(host.sounds.empty());
  EXPECT_TRUE(host.countdowns.empty()) << "a user stop never shuts the machine down";

  JobRecord& b = job();
  monitor->start(b);
  monitor->tick();
  runner.finish(b, true);
  monitor->jobEndedByItself();
  monitor->tick();  // retired
  monitor->tick();  // all done
  ASSERT_EQ(host.notices.size(), 1u);
  EXPECT_EQ(host.notices[0], "All Done");
  EXPECT_EQ(host.sounds.size(), 1u);
  ASSERT_EQ(host.countdowns.size(), 1u);
  EXPECT_EQ(host.countdowns[0].seconds, 30);
  EXPECT_EQ(host.countdowns[0].format, "Fetchwright will ShutDown in %d seconds");
}

TEST_F(QueueMonitorTest, BudgetIsRefilledEachTickInLimitedModesOnly) {
  settings.manualBand = 600;
  settings.autoBand = 200;
  make();
  transfer.budget.refill(5);
  monitor->tick();
  EXPECT_EQ(transfer.budget.remaining(), 5) << "unlimited mode leaves the budget alone";
  monitor->setBandwidthMode(1);
  monitor->tick();
  EXPECT_EQ(transfer.budget.remaining(), 600);
  transfer.budget.take(550);
  monitor->tick();
  EXPECT_EQ(transfer.budget.remaining(), 600) << "what was left is not carried over";
  monitor->stepBandwidthMode();
  monitor->tick();
  EXPECT_EQ(transfer.budget.remaining(), 200);
  monitor->stepBandwidthMode();
  EXPECT_EQ(monitor->bandwidthMode(), 0);
}

TEST_F(QueueMonitorTest, TitleFollowsTheRunningCountAndTheUpdateCheckRunsOnce) {
  settings.simuRole = 4;
  make();
  JobRecord& a = job();
  JobRecord& b = job();
  monitor->start(a);
  monitor->start(b);
  monitor->tick();
  ASSERT_FALSE(host.titles.empty());
  EXPECT_EQ(host.titles.back(), "Fetchwright: 2 file(s) downloading");
  runner.finish(a, true);
  runner.finish(b, false);
  monitor->tick();
  EXPECT_EQ(host.titles.back(), "Fetchwright");
  for (int i = 0; i < 200; ++i) monitor->tick();
  EXPECT_EQ(host.updateChecks, 1);
  EXPECT_GE(host.dbChecks, 3);
}

TEST_F(QueueMonitorTest, OverallSpeedComesFromTheLastTwoSecondsOfTheRing) {
  make();
  JobRecord& a = job();
  monitor->start(a);
  {
    LockGuard g(transfer.speedLock);
    transfer.speedRing.add(100000, clock.monotonicMs() - 5000);  // too old
    transfer.speedRing.add(4096, clock.monotonicMs() - 1500);
    transfer.speedRing.add(2048, clock.monotonicMs());
  }
  monitor->tick();
  EXPECT_EQ(monitor->overallSpeed(), (4096 + 2048) / 2);
}

}  // namespace
}  // namespace fw

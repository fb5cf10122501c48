#include "jobs/dial_manager.h"

#include <gtest/gtest.h>

#include <memory>

#include "jobs/service_monitor_host.h"
#include "platform/dialup/simulated_dialup.h"
#include "platform/fake_clock.h"
#include "support/scripted_runner.h"

namespace fw {
namespace {

// Draws every Dialing window by keeping what it shows; records what the manager asks.
class RecordingDialHost : public DialManagerHost, public DialingView {
 public:
  struct Shown {
    std::string caption;
    std::vector<std::string> lines;
    bool closed = false;
  };

  DialingView* openDialingView(DialingWindow& window) override {
    current = &window;
    windows.push_back(Shown{window.caption(), {}, false});
    return this;
  }
  void setCaption(const std::string& caption) override { windows.back().caption = caption; }
  void linesChanged() override { windows.back().lines = current->lines(); }
  void closeView() override {
    windows.back().closed = true;
    current = nullptr;
  }
  void stopAllJobs(int code) override { stops.push_back(code); }
  void openDialUpOptions() override { ++optionsOpened; }

  DialingWindow* current = nullptr;
  std::vector<Shown> windows;
  std::vector<int> stops;
  int optionsOpened = 0;
};

struct DialManagerTest : ::testing::Test {
  FakeClock clock;
  MessageLoop loop{clock};
  RecordingDialHost host;
  std::unique_ptr<SimulatedDialup> sim;
  std::unique_ptr<DialManager> manager;
  DialConfig config;

  DialManagerTest() {
    config.inUse = true;
    config.entry = "ISP Dial";
    config.user = "alice";
    config.password = "s3cret";
    config.times = 5;
    config.waitSeconds = 5;
  }

  void make(const std::string& scriptText) {
    DialScript script;
    std::string error;
    ASSERT_TRUE(parseDialScript(scriptText, script, error)) << error;
    sim = std::make_unique<SimulatedDialup>(loop, script);
    manager = std::make_unique<DialManager>(loop, *sim, host, config);
  }
  // Moves time on in steps of 100 ms, handling what falls due.
  void advance(int64_t ms) {
    loop.processPending();
    for (int64_t t = 0; t < ms; t += 100) {
      clock.advanceMs(100);
      loop.processPending();
    }
  }
  void dialAndWait(int64_t ms) {
    manager->requestDial(0);
    advance(ms);
  }
};

TEST_F(DialManagerTest, SuccessfulDialShowsEachStateSignalsTheLineAndClosesTheWindow) {
  make("attempt\nafter 100 state 0\nafter 100 state 5\nafter 100 connect\n");
  dialAndWait(1000);
  ASSERT_EQ(host.windows.size(), 1u);
  const auto& w = host.windows[0];
  EXPECT_EQ(w.caption, "Dialing");
  EXPECT_EQ(w.lines, (std::vector<std::string>{"Start dialing...", "Opening the port...",
                                               "Verifying the user name and password...",
                                               "Subentry has been connected"}));
  EXPECT_TRUE(w.closed);
  EXPECT_TRUE(manager->lineUpEvent().isSet());
  EXPECT_EQ(manager->dialState(), kDialDialling);
  EXPECT_TRUE(manager->linkUp()) << "closing after success keeps the line";
  EXPECT_EQ(manager->dialingWindow(), nullptr);
  EXPECT_TRUE(host.stops.empty());
  EXPECT_EQ(sim->lastParams().entry, "ISP Dial");
  EXPECT_EQ(sim->lastParams().user, "alice");
  EXPECT_EQ(sim->lastParams().password, "s3cret");
  EXPECT_EQ(sim->hangUpCount(), 0);
}

struct FailingDial {
  const char* name;
  const char* script;
  int times;
  int waitSeconds;
  std::vector<std::string> lines;
  int dials;
  int dialState;
  std::vector<int> stops;
};

TEST_F(DialManagerTest, FailedAttemptsWaitRedialAndGiveUpAfterTimes) {
  const std::vector<FailingDial> cases = {
      {"fails Times times, then gives up",
       "text 691 Access denied.\nattempt\nafter 100 fail 691\n",
       2,
       3,
       {"Start dialing...", "Access denied.", "Wait 3 second for retry.", "Access denied.",
        "Wait 3 second for retry.", "Access denied."},
       3,
       kDialFailed,
       {-14}},
      {"Times 1: the first failure waits, the second closes",
       "attempt\nafter 100 fail 650\n",
       1,
       1,
       {"Start dialing...", "Wait 1 second for retry."},
       2,
       kDialFailed,
       {-14}},
      {"refused at once without a text",
       "attempt refuse 623\n",
       5,
       5,
       {"Start dialing...", "Undefined RAS Dial Error (623)."},
       1,
       kDialFailed,
       {-14}},
      {"refused at once with the backend's text",
       "text 623 The entry is missing.\nattempt refuse 623\n",
       5,
       5,
       {"Start dialing...", "The entry is missing."},
       1,
       kDialFailed,
       {-14}},
      {"a line lost while dialling counts as a failed attempt",
       "attempt\nafter 100 state 2\nafter 100 drop\n",
       1,
       2,
       {"Start dialing...", "Connecting to the device...", "Subentry has been disconnected",
        "Wait 2 second for retry.", "Connecting to the device...",
        "Subentry has been disconnected"},
       2,
       kDialFailed,
       {-14}},
      {"the second attempt connects",
       "text 691 Access denied.\nattempt\nafter 100 fail 691\nattempt\nafter 100 connect\n",
       5,
       2,
       {"Start dialing...", "Access denied.", "Wait 2 second for retry.",
        "Subentry has been connected"},
       2,
       kDialDialling,
       {}},
  };
  for (const FailingDial& c : cases) {
    SCOPED_TRACE(c.name);
    host = RecordingDialHost{};
    config.times = c.times;
    config.waitSeconds = c.waitSeconds;
    make(c.script);
    dialAndWait(30000);
    ASSERT_EQ(host.windows.size(), 1u);
    EXPECT_EQ(host.windows[0].lines, c.lines);
    EXPECT_TRUE(host.windows[0].closed);
    EXPECT_EQ(sim->dialCount(), c.dials);
    EXPECT_EQ(manager->dialState(), c.dialState);
    EXPECT_EQ(host.stops, c.stops);
    EXPECT_EQ(manager->lineUpEvent().isSet(), c.stops.empty());
    EXPECT_EQ(sim->openLines(), c.stops.empty() ? 1u : 0u) << "failed attempts are hung up";
    manager.reset();
    sim.reset();
  }
}

TEST_F(DialManagerTest, RedialWaitsWTimeSecondsAfterTheFailure) {
  config.waitSeconds = 3;
  make("attempt\nafter 100 fail 691\nattempt\nafter 100 connect\n");
  manager->requestDial(0);
  advance(2900);
  EXPECT_EQ(sim->dialCount(), 1);
  ASSERT_NE(manager->dialingWindow(), nullptr);
  EXPECT_EQ(manager->dialingWindow()->secondsToRedial(), 1);
  advance(200);
  EXPECT_EQ(sim->dialCount(), 2);
}

TEST_F(DialManagerTest, UserClosingTheWindowAbortsTheDialAndStopsTheJobs) {
  make("attempt\nafter 100 state 2\nafter 60000 connect\n");
  dialAndWait(500);
  ASSERT_NE(host.current, nullptr);
  host.current->close();
  EXPECT_EQ(sim->hangUpCount(), 1);
  EXPECT_EQ(manager->dialState(), kDialUserClosed);
  EXPECT_FALSE(manager->lineUpEvent().isSet());
  EXPECT_EQ(host.stops, (std::vector<int>{-2}));
  advance(70000);
  EXPECT_FALSE(manager->lineUpEvent().isSet()) << "the abandoned dial never reports";

  // While the user's refusal stands, Roles' requests open nothing; a job started again
  // allows the next dial.
  manager->requestDial(0);
  advance(100);
  EXPECT_EQ(host.windows.size(), 1u);
  manager->runStarting();
  EXPECT_EQ(manager->dialState(), kDialIdle);
  manager->requestDial(0);
  advance(100);
  EXPECT_EQ(host.windows.size(), 2u);
}

TEST_F(DialManagerTest, RequestsWhileDiallingOrConnectedOpenNoSecondWindow) {
  make("attempt\nafter 500 connect\n");
  manager->requestDial(0);
  manager->requestDial(0);
  advance(100);
  manager->requestDial(1);
  advance(1000);
  EXPECT_EQ(host.windows.size(), 1u);
  ASSERT_TRUE(manager->lineUpEvent().isSet());
  manager->requestDial(0);
  advance(100);
  EXPECT_EQ(host.windows.size(), 1u);
  EXPECT_EQ(sim->dialCount(), 1);
}

TEST_F(DialManagerTest, LineDropRedialsWithTheEstablishCaptionOnlyWhenAsked) {
  for (bool redial : {true, false}) {
    SCOPED_TRACE(redial ? "redial if disconnected" : "no redial");
    host = RecordingDialHost{};
    config.redial = redial;
    config.establish = "Reconnecting the ISP";
    make("attempt\nafter 100 connect\nafter 5000 drop\nattempt\nafter 100 connect\n");
    dialAndWait(1000);
    ASSERT_TRUE(manager->lineUpEvent().isSet());
    advance(5000);
    EXPECT_EQ(sim->hangUpCount(), 1) << "the dropped line is hung up";
    if (redial) {
      ASSERT_EQ(host.windows.size(), 2u);
      EXPECT_EQ(host.windows[1].caption, "Reconnecting the ISP");
      EXPECT_TRUE(manager->lineUpEvent().isSet());
      EXPECT_EQ(sim->dialCount(), 2);
    } else {
      EXPECT_EQ(host.windows.size(), 1u);
      EXPECT_FALSE(manager->lineUpEvent().isSet());
      EXPECT_EQ(manager->dialState(), kDialIdle);
      // The next Role that needs the line asks for an ordinary dial.
      manager->requestDial(0);
      advance(1000);
      ASSERT_EQ(host.windows.size(), 2u);
      EXPECT_EQ(host.windows[1].caption, "Dialing");
    }
    EXPECT_TRUE(host.stops.empty());
    manager.reset();
    sim.reset();
  }
}

TEST_F(DialManagerTest, ConnectDisconnectDialsHangsUpOrOpensTheOptions) {
  config.inUse = false;
  make("attempt\nafter 100 connect\n");
  manager->connectDisconnect();
  EXPECT_EQ(host.optionsOpened, 1);
  EXPECT_TRUE(host.windows.empty());

  config.inUse = true;
  manager->setConfig(config);
  manager->connectDisconnect();
  advance(1000);
  ASSERT_EQ(host.windows.size(), 1u);
  ASSERT_TRUE(manager->lineUpEvent().isSet());

  manager->connectDisconnect();
  EXPECT_EQ(host.stops, (std::vector<int>{-2}));
  EXPECT_EQ(sim->hangUpCount(), 1);
  EXPECT_FALSE(manager->lineUpEvent().isSet());
  EXPECT_FALSE(manager->linkUp());
  EXPECT_EQ(host.optionsOpened, 1);
}

TEST_F(DialManagerTest, EntryChoicesStartWithNeverDial) {
  make("entry ISP Dial\nentry Mobile\n");
  EXPECT_EQ(manager->entryChoices(),
            (std::vector<std::string>{"Fetchwright Never Dial", "ISP Dial", "Mobile"}));
}

// The queue monitor's side: the line check every sixth tick and hang-up when done.
struct MonitoredDialTest : DialManagerTest {
  test::ScriptedRunner runner;
  ProgramTransfer transfer;
  MonitorSettings settings;
  JobRecord job;
};

class QuietServiceHost : public ServiceMonitorHost {
 public:
  using ServiceMonitorHost::ServiceMonitorHost;
  void setTitle(const std::string&) override {}
  void showQueued(JobRecord&) override {}
};

TEST_F(MonitoredDialTest, LineCheckOnTheSixthTickFindsALineTheServiceLost) {
  config.redial = false;
  make("attempt\nafter 100 connect\n");
  dialAndWait(1000);
  ASSERT_TRUE(manager->lineUpEvent().isSet());
  MonitorServices services;
  services.dial = manager.get();
  QuietServiceHost quietHost(loop, services);
  QueueMonitor m(runner, quietHost, transfer, clock, settings);
  sim->forgetAll();
  for (int i = 0; i < kDialWatchPeriod - 1; ++i) m.tick();
  EXPECT_TRUE(manager->lineUpEvent().isSet()) << "checked on the sixth tick only";
  m.tick();
  EXPECT_FALSE(manager->lineUpEvent().isSet());
  EXPECT_FALSE(manager->linkUp());
  EXPECT_EQ(manager->dialState(), kDialIdle);
}

TEST_F(MonitoredDialTest, HangUpWhenDoneOnlyWithTheSwitchOn) {
  for (bool hangUp : {true, false}) {
    SCOPED_TRACE(hangUp ? "hang up when done" : "stay connected");
    make("attempt\nafter 100 connect\n");
    dialAndWait(1000);
    ASSERT_TRUE(manager->lineUpEvent().isSet());
    MonitorServices services;
    services.dial = manager.get();
    QuietServiceHost quietHost(loop, services);
    settings.hangUpWhenDone = hangUp;
    QueueMonitor m(runner, quietHost, transfer, clock, settings);
    m.start(job);
    m.tick();
    runner.finish(job, true);
    m.tick();
    m.tick();
    EXPECT_EQ(sim->hangUpCount(), hangUp ? 1 : 0);
    EXPECT_EQ(manager->lineUpEvent().isSet(), !hangUp);
    EXPECT_EQ(manager->linkUp(), !hangUp);
    if (hangUp) EXPECT_EQ(manager->dialState(), kDialIdle);
    manager.reset();
    sim.reset();
    job = JobRecord{};
    job.fileSize = 1000;
  }
}

// The program wires the manager's give-up to the queue: queued jobs leave the queue and
// running ones stop with the dial's code.
TEST_F(MonitoredDialTest, FailedDialTakesJobsOutOfTheQueueAndStopsTheRunningOnes) {
  config.times = 1;
  make("attempt refuse 623\n");
  MonitorServices services;
  services.dial = manager.get();
  QuietServiceHost quietHost(loop, services);
  settings.simuRole = 1;
  QueueMonitor m(runner, quietHost, transfer, clock, settings);
  struct Wiring : RecordingDialHost {
    QueueMonitor* monitor = nullptr;
    void stopAllJobs(int code) override {
      RecordingDialHost::stopAllJobs(code);
      monitor->stopAll(code);
    }
  } wiring;
  wiring.monitor = &m;
  DialManager wired(loop, *sim, wiring, config);
  JobRecord queued;
  queued.fileSize = 1000;
  queued.setStartMode(kStartImmediately);
  m.start(job);
  m.start(queued);
  ASSERT_EQ(m.waitQueue().size(), 1u);
  wired.requestDial(0);
  advance(100);
  EXPECT_EQ(wiring.stops, (std::vector<int>{-14}));
  EXPECT_EQ(runner.endCodes[&job], -14);
  EXPECT_TRUE(m.running().empty());
  EXPECT_TRUE(m.waitQueue().empty());
  EXPECT_FALSE(queued.flags2 & jobflags2::kQueued);
  EXPECT_EQ(queued.startMode(), kStartManual);
  EXPECT_EQ(runner.starts[&queued], 0);
}

}  // namespace
}  // namespace fw

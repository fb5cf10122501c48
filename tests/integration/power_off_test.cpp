// "Shut Down when done" against python3-dbusmock's logind template on a private bus: the
// queue ends, the 30-second countdown runs on a fake clock, and logind is asked to power
// off exactly once.

#include <gtest/gtest.h>

#include "jobs/service_monitor_host.h"
#include "platform/fake_clock.h"
#include "support/dbus_mock.h"
#include "support/scripted_runner.h"

namespace fw {
namespace {

class RecordingActions : public EndOfWorkActions {
 public:
  void saveAll() override { steps.push_back("save"); }
  void powerOffFailed(const std::string& why) override { steps.push_back("refused: " + why); }
  void closeProgram() override { steps.push_back("close"); }
  std::vector<std::string> steps;
};

class CountdownHost : public ServiceMonitorHost, public EndOfWorkView {
 public:
  using ServiceMonitorHost::ServiceMonitorHost;
  void setTitle(const std::string&) override {}
  void showQueued(JobRecord&) override {}
  EndOfWorkView* openCountdownView(EndOfWorkCountdown& c) override {
    shown = &c;
    return this;
  }
  void textChanged() override { texts.push_back(shown->text()); }
  void closeView() override { shown = nullptr; }
  EndOfWorkCountdown* shown = nullptr;
  std::vector<std::string> texts;
};

struct PowerOffCase {
  const char* name;
  const char* logindParameters;
  bool userStopped;
  std::vector<std::string> powerOffCalls;
  std::vector<std::string> steps;
};

TEST(PowerOffTest, QueueEndWithShutDownWhenDoneAsksLogindOnce) {
  FW_REQUIRE_DBUS_MOCK();
  const std::vector<PowerOffCase> cases = {
      {"the queue ends by itself", "", false, {"true"}, {"save", "close"}},
      {"the user stopped the last job", "", true, {}, {}},
      {"logind does not allow it",
       R"({"CanPowerOff": "no"})",
       false,
       {},
       {"save", "refused: logind does not allow powering off (no)", "close"}},
  };
  for (const PowerOffCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::DbusMockBus mock;
    ASSERT_TRUE(mock.start(c.logindParameters)) << mock.error();
    FakeClock clock;
    MessageLoop loop(clock);
    std::string error;
    auto bus = DbusConnection::openSystem(loop, 2000, error);
    ASSERT_NE(bus, nullptr) << error;
    LogindPowerControl power(bus.get(), 2000);
    RecordingActions actions;
    MonitorServices services;
    services.power = &power;
    services.endOfWork = &actions;
    CountdownHost host(loop, services);
    test::ScriptedRunner runner;
    ProgramTransfer transfer;
    MonitorSettings settings;
    settings.shutDownWhenDone = true;
    QueueMonitor monitor(runner, host, transfer, clock, settings);

    JobRecord job;
    job.fileSize = 1000;
    monitor.start(job);
    monitor.tick();
    if (c.userStopped)
      monitor.stop(job, -2);
    else
      runner.finish(job, true);
    monitor.tick();  // retires the job
    monitor.tick();  // all done
    for (int second = 0; second < 31; ++second) {
      clock.advanceMs(1000);
      loop.processPending();
    }
    EXPECT_EQ(mock.calls("org.freedesktop.login1", "/org/freedesktop/login1", "PowerOff"),
              c.powerOffCalls)
        << mock.logs();
    EXPECT_EQ(actions.steps, c.steps);
    if (!c.userStopped) {
      ASSERT_EQ(host.texts.size(), 31u);
      EXPECT_EQ(host.texts.front(), "Fetchwright will ShutDown in 30 seconds");
      EXPECT_EQ(host.texts[1], "Fetchwright will ShutDown in 29 seconds");
      EXPECT_EQ(host.texts.back(), "Fetchwright will ShutDown in 0 seconds");
      EXPECT_EQ(host.shown, nullptr) << "the countdown closed itself";
    } else {
      EXPECT_TRUE(host.texts.empty());
    }
  }
}

}  // namespace
}  // namespace fw

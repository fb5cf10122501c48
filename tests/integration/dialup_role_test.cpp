// A real job with dial-up networking on: its Role finds the line down, asks for a dial
// and waits; the dial-up manager dials through the simulator; the Role goes on when the
// line comes up, or ends with the dial-up error when the dial fails.

#include <gtest/gtest.h>

#include "engine/role/role_worker.h"
#include "jobs/dial_manager.h"
#include "jobs/job_controller.h"
#include "platform/dialup/simulated_dialup.h"
#include "support/download_rig.h"
#include "support/nginx_server.h"

namespace fw {
namespace {

class Ticker final : public Window {
 public:
  Ticker(MessageLoop& loop, std::function<void()> onTick) : Window(loop), m_onTick(onTick) {
    loop.setTimer(this, 1, 50);
  }
  LResult handleMessage(MessageId msg, WParam, LParam) override {
    if (msg == kMsgTimer) m_onTick();
    return 0;
  }

 private:
  std::function<void()> m_onTick;
};

struct RoleDialCase {
  const char* name;
  const char* script;
  bool complete;
  const char* lastLine;  // a line the Role's log must hold
  int dials;
};

TEST(DialupRoleTest, RoleWaitsForTheLineAndGoesOnOrEndsWithTheDial) {
  FW_REQUIRE_BINARY(nginxPath, "nginx");
  const std::string content = test::faultServerContent(64 * 1024);
  test::NginxServer nginx;
  nginx.addFile("file.bin", content);
  ASSERT_TRUE(nginx.start(nginxPath)) << nginx.error();

  const RoleDialCase cases[] = {
      {"the line comes up", "attempt\nafter 100 state 0\nafter 200 connect\n", true,
       "Start Receiving Data!", 1},
      {"the dial is refused", "attempt refuse 623\n", false, "Dial-up Error!", 1},
  };
  for (const RoleDialCase& c : cases) {
    SCOPED_TRACE(c.name);
    MessageLoop loop;
    DialScript script;
    std::string error;
    ASSERT_TRUE(parseDialScript(c.script, script, error)) << error;
    SimulatedDialup sim(loop, script);

    JobController* controller = nullptr;
    struct Program : test::RecordingHost, DialManagerHost {
      DialManager* manager = nullptr;
      JobController** controller = nullptr;
      std::vector<int> stops;
      void requestDial() override {
        RecordingHost::requestDial();
        manager->requestDial(0);
      }
      DialingView* openDialingView(DialingWindow&) override { return nullptr; }
      void stopAllJobs(int code) override {
        stops.push_back(code);
        (*controller)->command(CtlStopAll, code);
      }
      void openDialUpOptions() override {}
    } program;
    DialConfig config;
    config.inUse = true;
    config.entry = "Simulated Dial-up";
    DialManager manager(loop, sim, program, config);
    program.manager = &manager;
    program.controller = &controller;

    test::TempDir dir("fwdial");
    JobRecord job;
    job.url = "http://127.0.0.1:" + std::to_string(nginx.httpPort()) + "/file.bin";
    job.saveDir = dir.path();
    job.fileName = "file.bin";
    job.splitCount = 1;
    job.category = kCategoryDownload;
    RoleSettings settings;
    settings.useDialup = true;
    settings.startPauseSlices = 0;
    settings.dataOutSec = 5;
    settings.connOutSec = 5;
    settings.relaytSec = 1;
    settings.stillDownloadNonResumable = true;
    EndingOptions ending;
    StorageOptions storage;
    storage.fallbackDir = dir.path();
    JobController ctl(loop, job, program, Clock::system(), [](RoleRecord& r) { runRoleWorker(r); });
    controller = &ctl;
    ASSERT_EQ(ctl.prepareRun(settings, ending, storage, &manager), 1);
    ctl.command(CtlStart, 0);

    int ticks = 0;
    Ticker ticker(loop, [&] {
      if (program.endings > 0 || ++ticks > 400) loop.quit(0);
    });
    loop.run();
    ASSERT_EQ(program.endings, 1) << "the run did not end in 20 s";

    auto logged = [&](const std::string& text) {
      for (const std::string& l : program.logLines)
        if (l.find(text) != std::string::npos) return true;
      return false;
    };
    EXPECT_TRUE(logged("Wait dialing..."));
    EXPECT_TRUE(logged(c.lastLine));
    EXPECT_EQ(program.lastComplete, c.complete);
    EXPECT_EQ(sim.dialCount(), c.dials);
    EXPECT_GE(program.dialRequests, 1);
    if (c.complete) {
      EXPECT_EQ(test::readFileText(dir.path() + "/file.bin"), content);
      EXPECT_TRUE(program.stops.empty());
    } else {
      EXPECT_EQ(program.stops, (std::vector<int>{-14}));
      EXPECT_EQ(manager.dialState(), kDialFailed);
    }
  }
}

}  // namespace
}  // namespace fw

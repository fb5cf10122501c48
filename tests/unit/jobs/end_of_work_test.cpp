#include "jobs/end_of_work.h"

#include <gtest/gtest.h>

#include "platform/fake_clock.h"

namespace fw {
namespace {

struct Recorder : EndOfWorkActions, EndOfWorkView, PowerControl {
  void saveAll() override { steps.push_back("save"); }
  void powerOffFailed(const std::string& why) override { steps.push_back("refused: " + why); }
  void closeProgram() override { steps.push_back("close"); }
  void textChanged() override { ++texts; }
  void closeView() override { steps.push_back("view closed"); }
  int powerOff(std::string&) override {
    steps.push_back("power off");
    return 1;
  }
  std::vector<std::string> steps;
  int texts = 0;
};

TEST(EndOfWorkCountdownTest, ActsAtZeroOrOnOkAndNeverAfterCancel) {
  const struct {
    const char* name;
    bool shutdown;
    int seconds;
    const char* format;
    int cancelAfter;  // seconds; -1: let it run out
    const char* firstText;
    std::vector<std::string> steps;
  } cases[] = {
      {"shut down at zero",
       true,
       30,
       "Fetchwright will ShutDown in %d seconds",
       -1,
       "Fetchwright will ShutDown in 30 seconds",
       {"view closed", "save", "power off", "close"}},
      {"close at zero",
       false,
       16,
       "Fetchwright will close in %d seconds",
       -1,
       "Fetchwright will close in 16 seconds",
       {"view closed", "close"}},
      {"cancelled",
       true,
       30,
       "Fetchwright will ShutDown in %d seconds",
       3,
       "Fetchwright will ShutDown in 30 seconds",
       {"view closed"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeClock clock;
    MessageLoop loop(clock);
    Recorder r;
    EndOfWorkCountdown countdown(loop, c.seconds, c.format, c.shutdown, r, &r);
    countdown.start(&r);
    EXPECT_EQ(countdown.text(), c.firstText);
    for (int s = 1; s <= c.seconds + 5; ++s) {
      clock.advanceMs(1000);
      loop.processPending();
      if (c.cancelAfter < 0 && s == c.seconds - 1)
        EXPECT_TRUE(r.steps.empty()) << "nothing before zero";
      if (s == c.cancelAfter) countdown.cancel();
    }
    EXPECT_EQ(r.steps, c.steps);
    EXPECT_TRUE(countdown.finished());
    EXPECT_EQ(r.texts, c.cancelAfter < 0 ? c.seconds + 1 : c.cancelAfter + 1);
  }
}

}  // namespace
}  // namespace fw

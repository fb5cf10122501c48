// The desktop program end to end with dial-up: a dial-up entry is chosen and the dial-up
// simulator plays a script (FETCHWRIGHT_DIALUP_SCRIPT), so a job handed in by
// fetchwright-cli opens the "Dialing" window, which fails once, redials, connects and
// closes; the job then downloads.

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "platform/paths.h"
#include "platform/registry.h"
#include "store/settings_io.h"
#include "support/nginx_server.h"
#include "support/temp_dir.h"
#include "support/x_session.h"

namespace fw::test {
namespace {

const std::string kDesktop = std::string(FW_BINARY_DIR) + "/app/fetchwright/fetchwright";
const std::string kCliBinary = std::string(FW_BINARY_DIR) + "/app/fetchwright-cli/fetchwright-cli";
constexpr int kWait = 30000;

TEST(DesktopDialup, AJobThatNeedsTheLineDialsThroughTheDialingWindow) {
  if (::access(kDesktop.c_str(), X_OK) != 0) GTEST_SKIP() << "fetchwright not built";
  for (const char* tool : {"Xvfb", "openbox", "xdotool"}) {
    if (findBinary(tool).empty()) {
      if (runningInCi()) FAIL() << tool << " missing";
      GTEST_SKIP() << tool << " missing (scripts/install-deps.sh installs it)";
    }
  }
  FW_REQUIRE_BINARY(nginx, "nginx");
  NginxServer server;
  const std::string body(256 * 1024 + 3, 'd');
  server.addFile("data.bin", body);
  ASSERT_TRUE(server.start(nginx)) << server.error();
  XSession x;
  ASSERT_TRUE(x.start(true, false)) << x.error();

  TempDir home("fw-desktop-dialup");
  EnvLookup env = [&](const std::string& n) { return n == "FETCHWRIGHT_HOME" ? home.path() : ""; };
  {
    makeDirs(configDir(env), 0700);
    Registry reg(Registry::defaultPath(env));
    DialUpSettings d;
    d.wDialup = 1;
    d.dialTitle = "ISP Dial";
    d.wTime = 1;
    ASSERT_TRUE(dialUpSettingsIo(reg, d, kSettingsSave));
  }
  // Slow enough for the window to be seen; the line stays up.
  const std::string script = home.write("dial.script",
                                        "entry ISP Dial\n"
                                        "text 691 Access denied.\n"
                                        "attempt\nafter 400 state 0\nafter 400 fail 691\n"
                                        "attempt\nafter 400 state 5\nafter 1500 connect\n");
  const std::vector<std::string> programEnv =
      x.environment({"FETCHWRIGHT_HOME=" + home.path(), "FETCHWRIGHT_DIALUP_SCRIPT=" + script});

  Child app;
  ASSERT_TRUE(app.start({kDesktop}, programEnv, home.file("desktop.log")));
  ASSERT_TRUE(waitFor([&] { return !x.visibleWindows(" -- Fetchwright").empty(); }, kWait))
      << app.output();

  const std::string url = "http://127.0.0.1:" + std::to_string(server.httpPort()) + "/data.bin";
  Child cli;
  ASSERT_TRUE(cli.start({kCliBinary, url}, programEnv, home.file("cli.out")));
  EXPECT_EQ(cli.wait(kWait), 0) << cli.output();

  EXPECT_TRUE(waitFor([&] { return !x.visibleWindows("Dialing").empty(); }, kWait))
      << "the job asked for the line: " << app.output();
  const std::string file = downloadDir(env) + "/data.bin";
  EXPECT_TRUE(waitFor([&] { return readFileText(file).size() == body.size(); }, kWait))
      << app.output();
  EXPECT_TRUE(x.visibleWindows("Dialing").empty()) << "the window closed once the line was up";
  EXPECT_EQ(readFileText(file), body);

  app.signal(SIGTERM);
  EXPECT_EQ(app.wait(kWait), 0) << app.output();
  server.stop();
}

}  // namespace
}  // namespace fw::test

// The desktop program end to end, as a user runs it: on a private X display with a window
// manager and a tray host, its own FETCHWRIGHT_HOME, driven with xdotool and
// fetchwright-cli, files served by a local nginx.

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "platform/paths.h"
#include "platform/registry.h"
#include "store/database_owner.h"
#include "store/job_database.h"
#include "store/settings_io.h"
#include "support/nginx_server.h"
#include "support/temp_dir.h"
#include "support/x_session.h"

namespace fw::test {
namespace {

const std::string kDesktop = std::string(FW_BINARY_DIR) + "/app/fetchwright/fetchwright";
const std::string kCliBinary = std::string(FW_BINARY_DIR) + "/app/fetchwright-cli/fetchwright-cli";
constexpr int kWait = 30000;  // bounded waits: generous for a loaded CI machine

std::string pattern(size_t size) {
  std::string s(size, '\0');
  std::mt19937 gen(7);
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

class Desktop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access(kDesktop.c_str(), X_OK) != 0) GTEST_SKIP() << "fetchwright not built";
    for (const char* tool : {"Xvfb", "openbox", "trayer", "xdotool", "xwininfo", "xprop"}) {
      if (findBinary(tool).empty()) {
        if (runningInCi()) FAIL() << tool << " missing";
        GTEST_SKIP() << tool << " missing (scripts/install-deps.sh installs it)";
      }
    }
  }

  EnvLookup env() {
    return [this](const std::string& n) { return n == "FETCHWRIGHT_HOME" ? home.path() : ""; };
  }
  std::vector<std::string> programEnv() {
    return x.environment({"FETCHWRIGHT_HOME=" + home.path()});
  }
  bool startProgram(Child& p, std::vector<std::string> args = {}) {
    args.insert(args.begin(), kDesktop);
    return p.start(args, programEnv(), home.file("desktop.log"));
  }
  // The main window once it is shown: its title ends in " -- Fetchwright".
  std::string mainWindow() {
    std::string id;
    waitFor(
        [&] {
          auto ids = x.visibleWindows(" -- Fetchwright");
          if (!ids.empty()) id = ids.front();
          return !id.empty();
        },
        kWait);
    return id;
  }
  ToolResult cli(const std::vector<std::string>& args) {
    Child c;
    std::vector<std::string> argv{kCliBinary};
    argv.insert(argv.end(), args.begin(), args.end());
    ToolResult r;
    std::string log = home.file("cli.out");
    ::unlink(log.c_str());
    if (!c.start(argv, programEnv(), log)) return r;
    r.code = c.wait(60000);
    r.out = c.output();
    return r;
  }
  std::string geometry(const std::string& id) {
    std::string out = x.run({"xdotool", "getwindowgeometry", id}).out;
    size_t at = out.find("Position: ");
    return at == std::string::npos ? out : out.substr(at, out.find(" (", at) - at);
  }
  std::string dbPath() { return defaultDatabasePath(dataDir(env())); }
  // Mapped and not minimised (by id: the title changes while jobs run).
  bool shown(const std::string& id) { return x.viewable(id) && !x.hidden(id); }

  TempDir home{"fw-desktop"};
  XSession x;
};

TEST_F(Desktop, SecondStartHandOverDownloadTrayCloseAndRestore) {
  FW_REQUIRE_BINARY(nginx, "nginx");
  NginxServer server;
  const std::string body = pattern(3 * 1024 * 1024 + 17);
  server.addFile("data.bin", body);
  ASSERT_TRUE(server.start(nginx)) << server.error();
  ASSERT_TRUE(x.start(true, true)) << x.error();

  Child app;
  ASSERT_TRUE(startProgram(app));
  std::string win = mainWindow();
  ASSERT_FALSE(win.empty()) << app.output();

  // A second start raises the first (here: out of the tray, where minimising put it) and
  // ends with 0.
  x.run({"xdotool", "windowminimize", win});
  ASSERT_TRUE(waitFor([&] { return !shown(win); }, kWait));
  Child second;
  ASSERT_TRUE(startProgram(second));
  EXPECT_EQ(second.wait(kWait), 0) << second.output();
  EXPECT_TRUE(waitFor([&] { return shown(win); }, kWait)) << "the first window came back";
  EXPECT_EQ(app.poll(), -1) << "the first copy keeps running";
  EXPECT_EQ(x.visibleWindows("Fetchwright").size(), 1u) << "no second window";

  // fetchwright-cli hands the URL over; the desktop program downloads it.
  const std::string url = "http://127.0.0.1:" + std::to_string(server.httpPort()) + "/data.bin";
  ToolResult handed = cli({url});
  EXPECT_EQ(handed.code, 0) << handed.out;
  EXPECT_NE(handed.out.find("added to Fetchwright: data.bin"), std::string::npos) << handed.out;
  const std::string file = downloadDir(env()) + "/data.bin";
  EXPECT_TRUE(waitFor([&] { return readFileText(file).size() == body.size(); }, kWait));
  EXPECT_EQ(readFileText(file), body);
  ToolResult again = cli({url});
  EXPECT_EQ(again.code, 1) << again.out;
  EXPECT_NE(again.out.find("Duplicate URL"), std::string::npos) << again.out;

  // The tray icon: a double click hides the window and shows it again.
  int tx = 0, ty = 0;
  ASSERT_TRUE(waitFor([&] { return x.trayIconAt("fetchwright", tx, ty); }, kWait))
      << x.run({"xwininfo", "-root", "-tree"}).out;
  auto doubleClickTray = [&] {
    x.run({"xdotool", "mousemove", std::to_string(tx), std::to_string(ty), "click", "--repeat", "2",
           "--delay", "80", "1"});
  };
  doubleClickTray();
  EXPECT_TRUE(waitFor([&] { return !shown(win); }, kWait));
  // Clicks closer together than the double-click time would pair across the two.
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  doubleClickTray();
  EXPECT_TRUE(waitFor([&] { return shown(win); }, kWait)) << app.output();

  // The window manager's close request: with a tray ("Minimize main windows on click X",
  // on by default) the window goes to the tray and the program keeps running.
  x.run({"xdotool", "windowmove", "--sync", win, "60", "70"});
  const std::string placed = geometry(win);
  x.run({"xdotool", "windowactivate", "--sync", win});
  x.run({"xdotool", "key", "--clearmodifiers", "alt+F4"});
  EXPECT_TRUE(waitFor([&] { return !shown(win); }, kWait));
  EXPECT_EQ(app.poll(), -1);

  // The tray menu's last item is "Exit". On a loaded machine the menu can be mapped before
  // it takes the keyboard, so keys may reach nothing: then the menu is closed and opened
  // again (a bounded number of times).
  int exitCode = -1;
  for (int attempt = 0; attempt < 4 && exitCode == -1; ++attempt) {
    x.run({"xdotool", "mousemove", std::to_string(tx), std::to_string(ty), "click", "3"});
    EXPECT_TRUE(waitFor(
        [&] {
          return !x.run({"xdotool", "search", "--onlyvisible", "--class", "fetchwright"})
                      .out.empty();
        },
        kWait));
    x.run({"xdotool", "key", "Up", "Return"});
    exitCode = app.wait(attempt == 3 ? kWait : 5000);
    if (exitCode == -1) x.run({"xdotool", "key", "Escape"});
  }
  EXPECT_EQ(exitCode, 0) << app.output();

  // Saved on the way out: the job, complete, and the window's place.
  CategoryTree tree;
  ASSERT_EQ(loadJobDatabase(dbPath(), tree), kDbLoaded);
  JobRecord* job = tree.findJobByUrl(url);
  ASSERT_NE(job, nullptr);
  EXPECT_TRUE(jobComplete(*job));
  EXPECT_EQ(tree.holderOf(*job)->id, kCategoryDownloaded);
  {
    Registry reg(Registry::defaultPath(env()));
    Settings s;
    settingsIo(reg, s, kSettingsLoad);
    EXPECT_EQ(s.main.winLayout.size(), 44u);
    EXPECT_EQ(s.dataFile.remoteFile, dbPath());
    // Next time the close button ends the program.
    s.general.otherFlag &= ~0x4000u;
    ASSERT_TRUE(generalSettingsIo(reg, s.general, kSettingsSave));
  }

  Child back;
  ASSERT_TRUE(startProgram(back));
  win = mainWindow();
  ASSERT_FALSE(win.empty()) << back.output();
  EXPECT_EQ(geometry(win), placed) << "the window opens where it was";
  x.run({"xdotool", "windowactivate", "--sync", win});
  x.run({"xdotool", "key", "--clearmodifiers", "alt+F4"});
  EXPECT_EQ(back.wait(kWait), 0) << back.output();

  // SIGTERM (a session ending) shuts down without questions and saves.
  Child last;
  ASSERT_TRUE(startProgram(last));
  ASSERT_FALSE(mainWindow().empty()) << last.output();
  ToolResult third =
      cli({"http://127.0.0.1:" + std::to_string(server.httpPort()) + "/missing.bin"});
  EXPECT_EQ(third.code, 0) << third.out;
  last.signal(SIGTERM);
  EXPECT_EQ(last.wait(kWait), 0) << last.output();
  CategoryTree after;
  ASSERT_EQ(loadJobDatabase(dbPath(), after), kDbLoaded);
  EXPECT_NE(
      after.findJobByUrl("http://127.0.0.1:" + std::to_string(server.httpPort()) + "/missing.bin"),
      nullptr)
      << "the job handed in last was saved on the way out";
}

TEST_F(Desktop, UrlsOnTheCommandLineBecomeJobsOfTheRunningCopy) {
  ASSERT_TRUE(x.start(false, false)) << x.error();
  const std::string first = "http://127.0.0.1:9/first.zip";
  const std::string second = "http://127.0.0.1:9/second.zip";
  // Each URL opens the new-job property sheet (the start-up's as "New DownLoad", the
  // handed-over one as a copied link with the default "Monitor"); its OK adds the job. The
  // later sheet is modal over the earlier one: it is answered first.
  auto sheets = [&] {
    std::vector<std::string> ids = x.visibleWindows("Property Dialog");
    std::sort(ids.begin(), ids.end(), [](const std::string& a, const std::string& b) {
      return std::stoul(a) > std::stoul(b);
    });
    return ids;
  };
  Child app;
  ASSERT_TRUE(startProgram(app, {first}));
  // Handed over as soon as the first copy listens, which may be before it serves URLs.
  const std::string socket = runtimeDir(env()) + "/control.sock";
  ASSERT_TRUE(waitFor([&] { return ::access(socket.c_str(), F_OK) == 0; }, kWait));
  Child again;
  ASSERT_TRUE(startProgram(again, {second, "-platform", "xcb"}));
  EXPECT_EQ(again.wait(kWait), 0) << again.output();
  ASSERT_FALSE(mainWindow().empty()) << app.output();
  for (size_t open = 2; open > 0; --open) {
    std::vector<std::string> ids;
    ASSERT_TRUE(waitFor([&] { return (ids = sheets()).size() == open; }, kWait)) << app.output();
    x.run({"xdotool", "windowfocus", "--sync", ids.front()});
    x.run({"xdotool", "key", "Return"});
  }
  EXPECT_TRUE(waitFor([&] { return sheets().empty(); }, kWait));
  EXPECT_EQ(x.visibleWindows(" -- Fetchwright").size(), 1u) << "no second window";
  app.signal(SIGTERM);
  EXPECT_EQ(app.wait(kWait), 0) << app.output();
  CategoryTree tree;
  ASSERT_EQ(loadJobDatabase(dbPath(), tree), kDbLoaded);
  EXPECT_NE(tree.findJobByUrl(first), nullptr) << "the URL it started with";
  EXPECT_NE(tree.findJobByUrl(second), nullptr) << "the URL handed to the running copy";
}

TEST_F(Desktop, ADatabaseAnotherProcessOwnsIsRefusedWithItsOwner) {
  ASSERT_TRUE(x.start(false, false)) << x.error();
  ASSERT_TRUE(makeDirs(dataDir(env()), 0700));
  std::unique_ptr<DatabaseOwner> owner;
  ASSERT_EQ(DatabaseOwner::acquire(dbPath(), "fetchwright-cli", owner),
            DatabaseOwner::Result::Owned);
  Child app;
  ASSERT_TRUE(startProgram(app));
  const std::string text = "The job database " + dbPath() +
                           " is open in fetchwright-cli (process " + std::to_string(::getpid()) +
                           ").";
  ASSERT_TRUE(waitFor([&] { return app.output().find(text) != std::string::npos; }, kWait))
      << app.output();
  // The message box says the same; its OK ends the program.
  std::vector<std::string> box;
  ASSERT_TRUE(waitFor([&] { return !(box = x.visibleWindows("Fetchwright")).empty(); }, kWait));
  x.run({"xdotool", "windowfocus", "--sync", box.front()});
  x.run({"xdotool", "key", "Return"});
  EXPECT_EQ(app.wait(kWait), 2) << app.output();
  EXPECT_NE(::access(dbPath().c_str(), F_OK), 0) << "the refused program wrote the database";
}

}  // namespace
}  // namespace fw::test

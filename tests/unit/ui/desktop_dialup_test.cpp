// The desktop session's dial-up: a job whose Roles need the line dials through the
// session's manager (the scripted simulator) and goes on once the line is up; without a
// dial-up entry nothing is dialled. "Hang up when done" is stored at once.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "engine/role/role_worker.h"
#include "platform/dialup/simulated_dialup.h"
#include "platform/paths.h"
#include "store/job_database.h"
#include "store/settings_io.h"
#include "support/temp_dir.h"
#include "ui/main_window/desktop_session.h"

namespace fw {
namespace {

using namespace std::chrono_literals;

// The Roles' log lines as the window would get them.
struct LogView : SessionView {
  void logLineAdded(JobRecord&, int, const std::string& line) override { lines.push_back(line); }
  // Each line starts with its kind.
  bool waited() const {
    return std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
      return l.size() > 1 && l.compare(1, std::string::npos, "Wait dialing...") == 0;
    });
  }
  // A line logged after the wait (or without one): the Role went on to connect.
  bool wentOn() const { return lines.size() > (waited() ? 1u : 0u); }
  std::vector<std::string> lines;
};

TEST(DesktopDialupTest, AJobThatNeedsTheLineDialsOnlyWhenAnEntryIsChosen) {
  for (bool inUse : {true, false}) {
    SCOPED_TRACE(inUse ? "entry chosen" : "Fetchwright Never Dial");
    test::TempDir home("fw-dialup-session");
    setenv("FETCHWRIGHT_HOME", home.path().c_str(), 1);
    makeDirs(dataDir(), 0700);
    {
      CategoryTree tree;
      buildDefaultTree(tree, home.path());
      auto* j = new JobRecord;
      j->url = "http://127.0.0.1:1/file.bin";  // nothing listens: the run ends on its own
      j->fileName = "file.bin";
      tree.appendJob(*tree.findCategory(kCategoryDownload), j);
      ASSERT_EQ(saveJobDatabase(defaultDatabasePath(dataDir()), tree), 1);
    }
    DesktopSession::Options o;
    o.roleEntry = [](RoleRecord& role) { runRoleWorker(role); };
    DesktopSession s(o);
    LogView view;
    s.setView(&view);
    s.loadSettings();
    s.settings().dialUp.wDialup = inUse ? 1 : 0;
    s.settings().dialUp.dialTitle = inUse ? "ISP Dial" : kNeverDialEntry;
    s.settingsChanged();
    DialScript script;
    std::string error;
    ASSERT_TRUE(parseDialScript("attempt\nafter 20 state 2\nafter 20 connect\n", script, error));
    auto backend = std::make_unique<SimulatedDialup>(s.loop(), script);
    SimulatedDialup* sim = backend.get();
    ASSERT_TRUE(s.useDialup(&error, std::move(backend))) << error;
    ASSERT_TRUE(s.openStartupDatabase("", nullptr, &error)) << error;

    s.startAll();
    JobRecord* job = s.tree().findCategory(kCategoryDownload)->firstJob;
    ASSERT_NE(job, nullptr);
    // Until the Role went on past the line, 10 s at most.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline && !view.wentOn()) {
      s.loop().processPending();
      std::this_thread::sleep_for(5ms);
    }
    ASSERT_TRUE(view.wentOn()) << testing::PrintToString(view.lines);
    EXPECT_EQ(view.waited(), inUse) << testing::PrintToString(view.lines);
    EXPECT_EQ(sim->dialCount(), inUse ? 1 : 0);
    EXPECT_EQ(s.dial()->lineUpEvent().isSet(), inUse);
    if (inUse) EXPECT_EQ(sim->lastParams().entry, "ISP Dial");
    s.shutdown(false);
  }
}

TEST(DesktopDialupTest, HangUpWhenDoneIsStoredAndReachesTheManager) {
  test::TempDir home("fw-dialup-flags");
  setenv("FETCHWRIGHT_HOME", home.path().c_str(), 1);
  DesktopSession::Options o;
  o.roleEntry = [](RoleRecord&) {};
  o.registryPath = home.file("registry");
  DesktopSession s(o);
  s.loadSettings();
  DialScript script;
  std::string error;
  ASSERT_TRUE(s.useDialup(&error, std::make_unique<SimulatedDialup>(s.loop(), script)));
  const bool before = s.dial()->config().hangUpWhenDone;
  s.toggleHangUpWhenDone();
  EXPECT_NE(s.dial()->config().hangUpWhenDone, before);
  EXPECT_NE(s.monitor().settings().hangUpWhenDone, before);
  DialUpSettings stored;
  dialUpSettingsIo(s.registry(), stored, kSettingsLoad);
  EXPECT_EQ((stored.flags & dialupflags::kHangUpWhenDone) != 0, !before);
  EXPECT_EQ(stored.flags & dialupflags::kRedial, s.settings().dialUp.flags & dialupflags::kRedial)
      << "the other bits stay";
}

}  // namespace
}  // namespace fw

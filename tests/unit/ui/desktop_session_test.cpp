// The desktop program's session without its window: which database it opens and owns,
// the URLs handed in over the control socket, the shut-down's saves, the start of queued
// jobs, and the speed and monitor switches.

#include <gtest/gtest.h>

#include <poll.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/control_kinds.h"
#include "platform/paths.h"
#include "store/database_owner.h"
#include "store/job_database.h"
#include "store/run_config.h"
#include "store/settings_io.h"
#include "store/url_hand_in.h"
#include "support/temp_dir.h"
#include "ui/main_window/desktop_session.h"

namespace fw {
namespace {

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("FETCHWRIGHT_HOME", home.path().c_str(), 1);
    makeDirs(dataDir(), 0700);
  }
  std::unique_ptr<DesktopSession> makeSession() {
    DesktopSession::Options o;
    o.roleEntry = [](RoleRecord&) {};
    auto s = std::make_unique<DesktopSession>(o);
    s->loadSettings();
    return s;
  }
  // A database at `path` with one job per entry of `urls` in "Download".
  static void writeDatabase(const std::string& path, const std::vector<std::string>& urls,
                            StartMode mode = kStartManual) {
    CategoryTree tree;
    buildDefaultTree(tree, "/dl");
    for (const std::string& url : urls) {
      auto* j = new JobRecord;
      j->url = url;
      j->fileName = url.substr(url.rfind('/') + 1);
      j->setStartMode(mode);
      tree.appendJob(*tree.findCategory(kCategoryDownload), j);
    }
    ASSERT_EQ(saveJobDatabase(path, tree), 1);
  }
  std::string defaultDb() { return defaultDatabasePath(dataDir()); }

  test::TempDir home{"fw-session"};
};

TEST(DatabaseArgument, OnlyAnExistingNpdFile) {
  test::TempDir dir("fw-arg");
  const std::string lower = dir.write("a.npd", "x"), upper = dir.write("B.NPD", "x"),
                    other = dir.write("c.txt", "x");
  ::mkdir(dir.file("d.npd").c_str(), 0700);
  struct Case {
    std::string path;
    bool taken;
  };
  for (const Case& c : {Case{lower, true}, Case{upper, true}, Case{other, false},
                        Case{dir.file("missing.npd"), false}, Case{dir.file("d.npd"), false},
                        Case{".npd", false}, Case{"", false}})
    EXPECT_EQ(isDatabaseArgument(c.path), c.taken) << c.path;
}

TEST_F(SessionTest, OpensTheArgumentOrTheLastDatabaseAndOwnsIt) {
  const std::string mine = home.file("mine.npd");
  writeDatabase(mine, {"http://h/a", "http://h/b"});
  auto s = makeSession();
  std::string error;
  ASSERT_TRUE(s->openStartupDatabase(mine, nullptr, &error)) << error;
  EXPECT_EQ(s->databasePath(), mine);
  EXPECT_EQ(s->startupTitle(), mine + " -- Fetchwright");
  EXPECT_EQ(CategoryTree::jobCount(*s->tree().findCategory(kCategoryDownload)), 2u);
  std::unique_ptr<DatabaseOwner> other;
  DatabaseOwnerInfo holder;
  EXPECT_EQ(DatabaseOwner::acquire(mine, "fetchwright-cli", other, &holder),
            DatabaseOwner::Result::Busy);
  EXPECT_EQ(holder.program, "fetchwright");

  // Shut down: the path goes to "Remotefile", the lock goes away.
  s->shutdown(true);
  s.reset();
  EXPECT_EQ(DatabaseOwner::acquire(mine, "fetchwright-cli", other), DatabaseOwner::Result::Owned);
  other.reset();
  auto again = makeSession();
  ASSERT_TRUE(again->openStartupDatabase("", nullptr, &error)) << error;
  EXPECT_EQ(again->databasePath(), mine) << "the last database is opened next time";
}

TEST_F(SessionTest, ADatabaseAnotherProcessOwnsIsNeitherReadNorWritten) {
  writeDatabase(defaultDb(), {"http://h/a"});
  std::unique_ptr<DatabaseOwner> cli;
  ASSERT_EQ(DatabaseOwner::acquire(defaultDb(), "fetchwright-cli", cli),
            DatabaseOwner::Result::Owned);
  auto s = makeSession();
  std::string error;
  EXPECT_FALSE(s->openStartupDatabase("", nullptr, &error));
  EXPECT_NE(error.find("is open in fetchwright-cli (process " + std::to_string(::getpid()) + ")"),
            std::string::npos)
      << error;
  EXPECT_TRUE(s->tree().empty());

  // Open and Save As refuse a database the other process has; New lets go of ours.
  cli.reset();
  ASSERT_TRUE(s->openStartupDatabase("", nullptr, &error)) << error;
  const std::string busy = home.file("busy.npd");
  writeDatabase(busy, {"http://h/z"});
  std::unique_ptr<DatabaseOwner> other;
  ASSERT_EQ(DatabaseOwner::acquire(busy, "fetchwright-cli", other), DatabaseOwner::Result::Owned);
  EXPECT_FALSE(s->openDatabase(busy, &error));
  EXPECT_NE(error.find("is open in fetchwright-cli"), std::string::npos);
  EXPECT_EQ(s->saveDatabaseAs(busy, &error), 0);
  EXPECT_EQ(s->databasePath(), defaultDb());
  CategoryTree check;
  ASSERT_EQ(loadJobDatabase(busy, check), kDbLoaded);
  EXPECT_NE(check.findJobByUrl("http://h/z"), nullptr) << "the other's database is untouched";

  s->newDatabase();
  EXPECT_TRUE(s->untitled());
  std::unique_ptr<DatabaseOwner> after;
  EXPECT_EQ(DatabaseOwner::acquire(defaultDb(), "fetchwright-cli", after),
            DatabaseOwner::Result::Owned);
}

TEST_F(SessionTest, HandedInUrlsBecomeStartedJobs) {
  auto s = makeSession();
  std::string error;
  ASSERT_TRUE(s->openStartupDatabase("", nullptr, &error)) << error;
  AddJobRequest a, dup, bad;
  a.url = "http://127.0.0.1:1/new.bin";
  a.startMode = kStartImmediately;
  a.saveDir = home.path();
  dup = a;
  bad.url = "not a url";
  ControlReply r = s->handInRequest({kControlAddUrls, encodeHandIn({a, dup, bad})});
  EXPECT_EQ(r.result, 1);
  std::vector<HandInResult> lines = decodeHandInAnswer(r.payload);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].text, "added to Fetchwright: new.bin");
  EXPECT_EQ(lines[1].text, "Duplicate URL");
  EXPECT_FALSE(lines[2].added);
  JobRecord* job = s->tree().findJobByUrl(a.url);
  ASSERT_NE(job, nullptr);
  EXPECT_EQ(s->monitor().running().size(), 1u) << "started as Immediately";

  EXPECT_EQ(s->handInRequest({kControlAddUrls, "\x01garbage\tx\n"}).result, -1);
  s->setClosing();
  EXPECT_EQ(s->handInRequest({kControlAddUrls, encodeHandIn({a})}).result, -2);
  s->shutdown(true);
}

TEST_F(SessionTest, StartOnStartupStartsOnlyQueuedJobs) {
  {
    CategoryTree tree;
    buildDefaultTree(tree, "/dl");
    struct Case {
      const char* url;
      StartMode mode;
      uint16_t flags2;
    };
    for (const Case& sp : {Case{"http://127.0.0.1:1/now", kStartImmediately, 0},
                           Case{"http://127.0.0.1:1/manual", kStartManual, 0},
                           Case{"http://127.0.0.1:1/later", kStartSchedule, 0},
                           Case{"http://127.0.0.1:1/waiting", kStartManual, jobflags2::kQueued}}) {
      auto* j = new JobRecord;
      j->url = sp.url;
      j->setStartMode(sp.mode);
      j->flags2 = sp.flags2;
      j->saveDir = home.path();
      tree.appendJob(*tree.findCategory(kCategoryDownload), j);
    }
    ASSERT_EQ(saveJobDatabase(defaultDb(), tree), 1);
  }
  auto s = makeSession();
  s->settings().general.generalCheck |= generalcheck::kStartOnStartup;
  std::string error;
  ASSERT_TRUE(s->openStartupDatabase("", nullptr, &error)) << error;
  s->startRunning();
  std::vector<std::string> started;
  for (JobRecord* j : s->monitor().running()) started.push_back(j->url);
  EXPECT_EQ(started,
            (std::vector<std::string>{"http://127.0.0.1:1/now", "http://127.0.0.1:1/waiting"}));
  EXPECT_EQ(s->monitor().scheduleList().size(), 1u);
  s->shutdown(true);
}

TEST_F(SessionTest, ShutdownSavesOnceAndAnUntitledDatabaseStaysUnsaved) {
  writeDatabase(defaultDb(), {"http://h/a"});
  auto s = makeSession();
  std::string error;
  ASSERT_TRUE(s->openStartupDatabase("", nullptr, &error)) << error;
  s->setBandwidthMode(2);
  EXPECT_EQ(s->bandwidthMode(), 2);
  EXPECT_EQ(bandwidthModeFrom(s->settings()), 2);
  s->toggleMonitorBit(0x80);
  EXPECT_TRUE(s->monitor().settings().shutDownWhenDone);
  s->tree().findJobByUrl("http://h/a")->comment = "kept";
  s->shutdown(true);
  s->tree().findJobByUrl("http://h/a")->comment = "after";
  s->shutdown(true);  // a second shut-down writes nothing
  s.reset();
  CategoryTree tree;
  ASSERT_EQ(loadJobDatabase(defaultDb(), tree), kDbLoaded);
  EXPECT_EQ(tree.findJobByUrl("http://h/a")->comment, "kept");
  Registry reg(Registry::defaultPath());
  Settings stored;
  settingsIo(reg, stored, kSettingsLoad);
  EXPECT_EQ(bandwidthModeFrom(stored), 2);
  EXPECT_EQ(stored.general.monitor & 0x80, 0x80u);

  auto u = makeSession();
  ASSERT_TRUE(u->openStartupDatabase("", nullptr, &error)) << error;
  u->newDatabase();
  u->tree().findCategory(kCategoryDownload)->name = "Download";
  u->shutdown(true);
  EXPECT_EQ(u->databasePath(), "");
  CategoryTree after;
  ASSERT_EQ(loadJobDatabase(defaultDb(), after), kDbLoaded);
  EXPECT_NE(after.findJobByUrl("http://h/a"), nullptr) << "the old file was not overwritten";
}

TEST_F(SessionTest, ControlSocketAnswersRegisteredKindsAndRefusesOthers) {
  auto s = makeSession();
  const std::string path = runtimeDir() + "/control.sock";
  std::string error;
  ASSERT_EQ(s->listenControl(path, &error), ControlServer::Listen::Listening) << error;
  int raised = 0;
  s->control().add(kControlRaise, [&](const ControlRequest&) {
    ++raised;
    return ControlReply{1, {}};
  });
  std::atomic<int> raiseResult{0}, otherResult{0};
  std::atomic<bool> done{false};
  std::thread client([&] {
    ControlReply r;
    if (controlCall(path, {kControlRaise, {}}, r, 10000) == ControlCall::Answered)
      raiseResult = r.result;
    if (controlCall(path, {0x4657'7777, "x"}, r, 10000) == ControlCall::Answered)
      otherResult = r.result;
    done = true;
  });
  for (int i = 0; i < 1000 && !done; ++i) {
    pollfd p{s->loop().wakeFd(), POLLIN, 0};
    ::poll(&p, 1, 10);
    s->loop().processPending();
  }
  client.join();
  EXPECT_EQ(raiseResult, 1);
  EXPECT_EQ(raised, 1);
  EXPECT_EQ(otherResult, kControlUnknownKind);
  s->shutdown(false);
}

}  // namespace
}  // namespace fw

#include "store/database_session.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>

#include "platform/fake_clock.h"
#include "store/job_database.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

struct ScriptedChooser : BackupChooser {
  int pick = -1;
  std::vector<BackupCandidate> seen;
  int choose(const std::vector<BackupCandidate>& c) override {
    seen = c;
    return pick;
  }
};

struct StartupTest : ::testing::Test {
  test::TempDir dir;
  ScriptedChooser chooser;
  CategoryTree tree;
  std::string defaultPath = dir.file("data/Default.npd");

  // A valid database whose "Download" holds one job with `url`.
  std::string databaseWith(const std::string& url) {
    CategoryTree t;
    buildDefaultTree(t, "/dl");
    auto* j = new JobRecord;
    j->url = url;
    t.appendJob(*t.findCategory(1), j);
    return encodeJobDatabase(t);
  }
  std::string firstUrl() {
    JobRecord* j = tree.findCategory(1)->firstJob;
    return j ? j->url : "";
  }
  StartupOutcome open(const std::string& remote) {
    return openDatabaseAtStartup(tree, remote, defaultPath, "/dl", &chooser);
  }
};

TEST_F(StartupTest, NamedFileLoads) {
  std::string p = dir.write("mine.npd", databaseWith("http://mine"));
  StartupOutcome o = open(p);
  EXPECT_TRUE(o.haveDatabase);
  EXPECT_EQ(o.path, p);
  EXPECT_EQ(o.title, p + " -- Fetchwright");
  EXPECT_EQ(firstUrl(), "http://mine");
}

TEST_F(StartupTest, MissingFileFallsBackToTheDefaultPath) {
  dir.write("data/Default.npd", databaseWith("http://default"));
  StartupOutcome o = open(dir.file("gone.npd"));
  EXPECT_EQ(o.path, defaultPath);
  EXPECT_EQ(firstUrl(), "http://default");
  EXPECT_FALSE(o.createdDefault);
}

TEST_F(StartupTest, NothingAnywhereCreatesTheDefaultDatabase) {
  StartupOutcome o = open("");
  EXPECT_TRUE(o.createdDefault);
  EXPECT_EQ(o.path, defaultPath);
  CategoryTree written;
  ASSERT_EQ(loadJobDatabase(defaultPath, written), kDbLoaded);
  EXPECT_EQ(written.categoryCount(), 8u);
  EXPECT_EQ(open("/x").haveDatabase, true);
  EXPECT_FALSE(openDatabaseAtStartup(tree, "", "/x", "/dl", &chooser).haveDatabase);
}

TEST_F(StartupTest, DamagedWithoutBackupsIsReplacedButKeptAside) {
  std::string p = dir.write("jobs.npd", "garbage that is not a database");
  StartupOutcome o = open(p);
  EXPECT_TRUE(o.createdDefault);
  EXPECT_EQ(o.path, p);
  EXPECT_TRUE(chooser.seen.empty());
  EXPECT_EQ(test::readFileText(p + ".bad"), "garbage that is not a database");
  CategoryTree written;
  EXPECT_EQ(loadJobDatabase(p, written), kDbLoaded);
}

TEST_F(StartupTest, DamagedWithBackupsOffersThemAndLoadsThePick) {
  std::string p = dir.write("jobs.npd", std::string(11, '\0'));
  dir.write("jobs.bak2", databaseWith("http://bak2"));
  std::string bak4 = dir.write("jobs.bak4", databaseWith("http://bak4"));
  ::chmod(bak4.c_str(), 0400);
  chooser.pick = 1;
  StartupOutcome o = open(p);
  ASSERT_EQ(chooser.seen.size(), 2u);
  EXPECT_EQ(chooser.seen[0].path, dir.file("jobs.bak2"));
  EXPECT_EQ(chooser.seen[1].path, bak4);
  EXPECT_TRUE(
      std::regex_match(chooser.seen[0].timeText, std::regex(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d)")));
  struct stat st {};
  ::stat(bak4.c_str(), &st);
  EXPECT_TRUE(st.st_mode & S_IWUSR);
  EXPECT_TRUE(o.restoredBackup);
  EXPECT_EQ(o.path, p);
  EXPECT_EQ(firstUrl(), "http://bak4");
}

TEST_F(StartupTest, DeclinedBackupNeverOverwritesAGoodDefault) {
  std::string p = dir.write("jobs.npd", std::string(11, '\0'));
  dir.write("jobs.bak1", databaseWith("http://bak1"));
  dir.write("data/Default.npd", databaseWith("http://default"));
  chooser.pick = -1;
  StartupOutcome o = open(p);
  EXPECT_EQ(o.path, defaultPath);
  EXPECT_FALSE(o.createdDefault);
  EXPECT_EQ(firstUrl(), "http://default");
  // A damaged backup pick falls through the same way.
  dir.write("jobs.bak1", "bad");
  chooser.pick = 0;
  EXPECT_EQ(open(p).path, defaultPath);
}

TEST(BackupNames, ReplaceTheExtension) {
  EXPECT_EQ(backupNames("/a/b/jobs.npd")[0], "/a/b/jobs.bak1");
  EXPECT_EQ(backupNames("/a/b.d/jobs")[3], "/a/b.d/jobs.bak4");
}

TEST(BackupNames, NextIsFirstMissingThenOldest) {
  test::TempDir dir;
  std::string db = dir.file("j.npd");
  EXPECT_EQ(nextBackupName(db), dir.file("j.bak1"));
  for (int n = 1; n <= 4; ++n) dir.write("j.bak" + std::to_string(n), "x");
  // bak3 written longest ago.
  for (int n = 1; n <= 4; ++n) {
    struct timespec times[2] = {{1000000 + n * 10, 0}, {1000000 + (n == 3 ? 0 : n * 10), 0}};
    ::utimensat(AT_FDCWD, dir.file("j.bak" + std::to_string(n)).c_str(), times, 0);
  }
  EXPECT_EQ(nextBackupName(db), dir.file("j.bak3"));
}

struct AutoSaveTest : ::testing::Test {
  // 2023-11-14 22:13:20 UTC.
  FakeClock clock{1700000000};
  GeneralSettings settings;
  std::vector<std::string> saves;
  std::string path = "/db/jobs.npd";
  DatabaseAutoSave autosave{clock, settings,
                            [this](const std::string& p) {
                              saves.push_back(p);
                              return 1;
                            },
                            [this] { return path; }};
  void seconds(int n) {
    for (int i = 0; i < n; ++i) {
      clock.advanceMs(1000);
      autosave.tick();
    }
  }
};

TEST_F(AutoSaveTest, DailyBackupOnFirstCheckAndOnDayChange) {
  settings.generalCheck = generalcheck::kDailyBackup;
  seconds(56);
  EXPECT_TRUE(saves.empty());
  seconds(1);
  ASSERT_EQ(saves.size(), 1u);
  EXPECT_EQ(saves[0], "/db/jobs.bak1");
  seconds(57 * 10);
  EXPECT_EQ(saves.size(), 1u);  // same day
  seconds(2 * 3600);            // past midnight
  EXPECT_EQ(saves.size(), 2u);
}

TEST_F(AutoSaveTest, AutoSaveAfterTheIntervalOnlyWhenOn) {
  settings.generalCheck = generalcheck::kAutoSave;
  settings.autoSaveSeconds = 120;
  seconds(57 * 2);  // 114 s: not yet greater than 120
  EXPECT_TRUE(saves.empty());
  seconds(57);  // 171 s
  EXPECT_EQ(saves, std::vector<std::string>{"/db/jobs.npd"});
  seconds(57 * 2);  // counter restarted at 171: 114 s since
  EXPECT_EQ(saves.size(), 1u);
  seconds(57);
  EXPECT_EQ(saves.size(), 2u);
  settings.generalCheck = 0;
  seconds(57 * 10);
  EXPECT_EQ(saves.size(), 2u);
  path.clear();  // an unsaved database has nowhere to go
  settings.generalCheck = generalcheck::kAutoSave;
  seconds(57 * 10);
  EXPECT_EQ(saves.size(), 2u);
}

TEST_F(AutoSaveTest, MonitorDrivenChecksCountTheSameTime) {
  settings.generalCheck = generalcheck::kAutoSave;
  settings.autoSaveSeconds = 120;
  CalendarTime now = clock.localTime();
  autosave.databaseChecks(now);
  autosave.databaseChecks(now);
  EXPECT_TRUE(saves.empty());
  autosave.databaseChecks(now);
  EXPECT_EQ(saves.size(), 1u);
}

}  // namespace
}  // namespace fw

#include "engine/storage/target_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>

#include <memory>

#include "engine/storage/target_paths.h"
#include "platform/fake_clock.h"
#include "support/storage_fakes.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

using test::FaultFileSystem;
using test::RecordingChannel;
using test::TempDir;

int64_t lengthOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

class TargetFile : public ::testing::Test {
 protected:
  TargetFile() : clock(1700000000) {
    job.saveDir = dir.path();
    job.fileName = "setup.exe";
    role.channel = &channel;
  }
  ~TargetFile() override { closeIfOpen(); }

  // Runs the open with a storage built from the present options.
  int open(bool withRole = true) {
    closeIfOpen();
    storage = std::make_unique<JobStorage>(job, options, clock, fs);
    storage->namesChanged = [this] { ++namesChanged; };
    LockGuard g(storage->cacheLock);
    return openTargetLazily(*storage, withRole ? &role : nullptr);
  }
  void closeIfOpen() {
    if (storage && storage->fileFd >= 0) {
      fs.closeFile(storage->fileFd);
      storage->fileFd = -1;
    }
  }
  std::string path(const std::string& name) const { return dir.file(name); }
  std::vector<std::string> logged() { return channel.snapshot(); }

  TempDir dir{"fwtarget"};
  FaultFileSystem fs;
  FakeClock clock;
  RecordingChannel channel;
  RoleRecord role;
  JobRecord job;
  StorageOptions options;
  std::unique_ptr<JobStorage> storage;
  int namesChanged = 0;
};

TEST(TargetPaths, AutoRenameInsertsTheNumberBeforeTheLastDot) {
  struct Case {
    const char* name;
    int n;
    const char* expected;
  } cases[] = {
      {"setup.exe", 1, "setup(1).exe"}, {"README", 1, "README(1)"},
      {"a.tar.gz", 1, "a.tar(1).gz"},   {"a.tar.gz", 12, "a.tar(12).gz"},
      {".profile", 2, "(2).profile"},   {"x.", 3, "x(3)."},
  };
  for (const Case& c : cases) EXPECT_EQ(autoRenameName(c.name, c.n), c.expected) << c.name;
  std::string longName(1996, 'n');
  EXPECT_EQ(autoRenameName(longName, 1).size(), 1999u);  // fits: kept whole
  EXPECT_EQ(autoRenameName(longName + "n", 1).size(), 1990u);
}

TEST(TargetPaths, NamesThatLeaveTheFolderAreRefused) {
  for (const char* bad : {"", ".", "..", "a/b", "../x", "/etc/passwd"}) {
    EXPECT_FALSE(fileNameUsable(bad)) << bad;
  }
  EXPECT_FALSE(fileNameUsable(std::string("a\0b", 3)));
  for (const char* good : {"a", "...", "..x", "a b.zip"}) EXPECT_TRUE(fileNameUsable(good));
  EXPECT_EQ(targetTempPath("/d/", "a.zip"), "/d/a.zip.np!");
  EXPECT_EQ(targetFullPath("/d", "a.zip"), "/d/a.zip");
}

TEST_F(TargetFile, NewFileIsCreatedUnderTheChosenNameAndStamped) {
  for (bool temp : {false, true}) {
    job.fileName = temp ? "t.zip" : "f.zip";
    job.flags = temp ? jobflags::kTempExt : 0;
    job.createTime = {};
    ASSERT_EQ(open(), 1);
    EXPECT_TRUE(fs.exists(path(temp ? "t.zip.np!" : "f.zip")));
    EXPECT_FALSE(fs.exists(path(temp ? "t.zip" : "f.zip.np!")));
    EXPECT_EQ(job.createTime, DateStamp::from(clock.localTime()));
  }
}

TEST_F(TargetFile, CollisionRules) {
  struct Case {
    const char* name;
    std::vector<std::string> present;
    CollisionRule rule;
    int result;
    const char* finalName;  // job.fileName afterwards
    const char* logLine;
  } cases[] = {
      {"setup.exe", {"setup.exe"}, CollisionRule::AutoRename, 1, "setup(1).exe", nullptr},
      {"README", {"README"}, CollisionRule::AutoRename, 1, "README(1)", nullptr},
      {"a.tar.gz", {"a.tar.gz"}, CollisionRule::AutoRename, 1, "a.tar(1).gz", nullptr},
      {"a.tar.gz", {"a.tar.gz.np!"}, CollisionRule::AutoRename, 1, "a.tar(1).gz", nullptr},
      {"s.exe",
       {"s.exe", "s(1).exe.np!", "s(2).exe"},
       CollisionRule::AutoRename,
       1,
       "s(3).exe",
       nullptr},
      {"s.exe", {"s.exe"}, CollisionRule::Stop, -1, "s.exe", "2File exist download stop!"},
      {"s.exe", {"s.exe.np!"}, CollisionRule::Stop, -1, "s.exe", "2File exist download stop!"},
      {"s.exe", {"s.exe"}, CollisionRule::Overwrite, 1, "s.exe", nullptr},
  };
  int i = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(i);
    TempDir caseDir("fwcollide");
    for (const std::string& p : c.present) caseDir.write(p, "old");
    job = JobRecord{};
    job.saveDir = caseDir.path();
    job.fileName = c.name;
    options.collision = c.rule;
    channel.lines.clear();
    namesChanged = 0;
    EXPECT_EQ(open(), c.result);
    EXPECT_EQ(job.fileName, c.finalName);
    EXPECT_EQ(namesChanged, job.fileName != c.name ? 1 : 0);
    if (c.result == 1) {
      EXPECT_TRUE(fs.exists(caseDir.file(c.finalName)));
    } else {
      EXPECT_EQ(storage->fileFd, -1);
      EXPECT_FALSE(job.createTime.isSet());
    }
    for (const std::string& p : c.present) {
      // Only "Overwrite" touches an existing file, and then only the chosen one.
      EXPECT_EQ(test::readFileText(caseDir.file(p)), "old");
    }
    auto lines = logged();
    if (c.logLine) {
      EXPECT_EQ(lines, std::vector<std::string>{c.logLine});
    } else {
      EXPECT_TRUE(lines.empty());
    }
    closeIfOpen();
    ++i;
  }
}

TEST_F(TargetFile, SecondRunReopensTheFileWhateverTheRule) {
  for (bool temp : {false, true}) {
    job.flags = temp ? jobflags::kTempExt : 0;
    job.createTime = DateStamp::from(clock.localTime());
    job.fileSize = 100;
    std::string name = temp ? "setup.exe.np!" : "setup.exe";
    dir.write(name, "0123456789");
    for (CollisionRule rule :
         {CollisionRule::Stop, CollisionRule::AutoRename, CollisionRule::Overwrite}) {
      options.collision = rule;
      fs.free = 1;  // no space check on a reopen
      ASSERT_EQ(open(), 1);
      EXPECT_EQ(job.fileName, "setup.exe");
      EXPECT_EQ(test::readFileText(path(name)), "0123456789");  // neither cut nor grown
    }
    fs.free = -2;
  }
  EXPECT_TRUE(logged().empty());
}

TEST_F(TargetFile, KnownSizeIsReservedAndAnOldTailIsCut) {
  options.collision = CollisionRule::Overwrite;
  dir.write("setup.exe", std::string(5000, 'x'));
  job.fileSize = 1000;
  ASSERT_EQ(open(), 1);
  EXPECT_EQ(lengthOf(path("setup.exe")), 1000);

  job = JobRecord{};
  job.saveDir = dir.path();
  job.fileName = "big.bin";
  job.fileSize = 3 << 20;
  ASSERT_EQ(open(), 1);
  struct stat st;
  ASSERT_EQ(::stat(path("big.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 3 << 20);
  EXPECT_GE(st.st_blocks * 512, 3 << 20);  // blocks really allocated, not a sparse file
}

TEST_F(TargetFile, ZeroSizeGivesAnEmptyFile) {
  options.collision = CollisionRule::Overwrite;
  dir.write("setup.exe", "stale bytes");
  job.fileSize = 0;
  ASSERT_EQ(open(), 1);
  EXPECT_EQ(lengthOf(path("setup.exe")), 0);
}

TEST_F(TargetFile, BadNamesAreRefusedBeforeAnyOpen) {
  for (const char* bad : {"..", ".", "sub/x", ""}) {
    job.fileName = bad;
    channel.lines.clear();
    fs.opens = 0;
    EXPECT_EQ(open(), -1) << bad;
    EXPECT_EQ(fs.opens.load(), 0) << bad;
    EXPECT_EQ(logged(), std::vector<std::string>{"2Invalid Save file path!"});
  }
  job.fileName = "..";
  job.createTime = DateStamp::from(clock.localTime());  // the reopen path checks as well
  EXPECT_EQ(open(), -1);
  EXPECT_EQ(fs.opens.load(), 0);
}

TEST_F(TargetFile, SpaceAndPathChecksOfANewFileOfKnownSize) {
  job.fileSize = 1000;
  fs.free = 999;
  EXPECT_EQ(open(), -1);
  EXPECT_EQ(logged(), std::vector<std::string>{"2There is not enough space on the disk."});
  fs.free = -1;  // cannot be measured: no check
  EXPECT_EQ(open(), 1);

  channel.lines.clear();
  job.saveDir = "downloads";
  EXPECT_EQ(open(), -1);
  EXPECT_EQ(logged(), std::vector<std::string>{"2Invalid Save file path!"});
}

// Notes, for each line logged, whether the storage's cache lock was free: a log line
// waits for the controller's thread, which may itself be waiting for that lock.
class LockProbeChannel : public RoleChannel {
 public:
  intptr_t control(RoleRecord&, uint32_t, intptr_t) override { return 1; }
  void log(RoleRecord&, int, const std::string& text) override {
    bool free = lock->try_lock();
    if (free) lock->unlock();
    lines.push_back(free ? text : text + " (cache lock held)");
  }
  Lock* lock = nullptr;
  std::vector<std::string> lines;
};

TEST_F(TargetFile, FailuresAreLoggedWithTheCacheLockLetGo) {
  struct Case {
    const char* what;
    const char* fileName;
    int64_t free;
    CollisionRule rule;
    bool viaClose;  // closeTarget of a complete job, which opens the file itself
    const char* line;
  } cases[] = {
      {"bad name", "..", -2, CollisionRule::AutoRename, false, "Invalid Save file path!"},
      {"no room", "big.bin", 10, CollisionRule::AutoRename, false,
       "There is not enough space on the disk."},
      {"file exists", "setup.exe", -2, CollisionRule::Stop, false, "File exist download stop!"},
      {"closing", "..", -2, CollisionRule::AutoRename, true, "Invalid Save file path!"},
  };
  dir.write("setup.exe", "x");
  for (const Case& c : cases) {
    job.fileName = c.fileName;
    job.fileSize = 100;
    job.flags = c.viaClose ? jobflags::kComplete : 0;
    fs.free = c.free;
    options.collision = c.rule;
    storage = std::make_unique<JobStorage>(job, options, clock, fs);
    LockProbeChannel probe;
    probe.lock = &storage->cacheLock;
    role.channel = &probe;
    int result;
    if (c.viaClose) {
      result = closeTarget(*storage, &role);
    } else {
      LockGuard g(storage->cacheLock);
      result = openTargetLazily(*storage, &role);
    }
    EXPECT_EQ(result, -1) << c.what;
    EXPECT_EQ(probe.lines, std::vector<std::string>{c.line}) << c.what;
  }
  role.channel = &channel;
}

TEST_F(TargetFile, UnusableFolderOfAnUnknownSizeJobMovesToTheFallback) {
  options.fallbackDir = dir.file("Downloads");
  job.saveDir = "downloads";  // relative: never written relative to the working folder
  ASSERT_EQ(open(), 1);
  EXPECT_EQ(job.saveDir, options.fallbackDir);
  EXPECT_TRUE(fs.exists(dir.file("Downloads/setup.exe")));
  EXPECT_EQ(namesChanged, 1);
}

TEST_F(TargetFile, MissingLevelsAreCreatedAndAFailureCutsThePathBack) {
  job.saveDir = dir.file("a/b/c");
  ASSERT_EQ(open(), 1);
  EXPECT_TRUE(fs.exists(dir.file("a/b/c/setup.exe")));

  dir.write("plain", "a file, not a folder");
  std::string p = dir.file("plain/x/y");
  EXPECT_FALSE(ensureDirectory(fs, p, ""));
  EXPECT_EQ(p, dir.path());
  job.saveDir = dir.file("plain/x");
  EXPECT_EQ(open(), -1);
}

TEST_F(TargetFile, CheckDiskSpaceResults) {
  struct Case {
    int64_t size;
    bool created;
    const char* saveDir;  // nullptr: the temporary folder
    int64_t free;
    int expected;
  } cases[] = {
      {-1, false, "rel", 0, 1},    {0, false, "rel", 0, 1},    {10, true, "rel", 0, 1},
      {10, false, "rel", 100, -1}, {10, false, nullptr, 9, 0}, {10, false, nullptr, 10, 1},
      {10, false, nullptr, -1, 1},
  };
  for (const Case& c : cases) {
    job.fileSize = c.size;
    job.createTime = c.created ? DateStamp::from(clock.localTime()) : DateStamp{};
    job.saveDir = c.saveDir ? c.saveDir : dir.path();
    fs.free = c.free;
    JobStorage s(job, options, clock, fs);
    EXPECT_EQ(checkDiskSpace(s), c.expected) << c.size << " " << c.free;
  }
}

TEST_F(TargetFile, CloseCutsACompleteUnknownSizeFileToWhatWasReceived) {
  options.collision = CollisionRule::Overwrite;
  dir.write("setup.exe", std::string(4000, 'o'));
  ASSERT_EQ(open(), 1);
  ASSERT_TRUE(fs.writeAt(storage->fileFd, "new", 3, 0));
  job.downloaded = 3;
  job.fileSize = 3;  // the receive loop's end of an unknown size
  job.flags |= jobflags::kComplete;
  EXPECT_EQ(closeTarget(*storage, &role), 1);
  EXPECT_EQ(storage->fileFd, -1);
  EXPECT_EQ(test::readFileText(path("setup.exe")), "new");
}

TEST_F(TargetFile, CloseLeavesAnIncompleteFileAlone) {
  options.collision = CollisionRule::Overwrite;
  dir.write("setup.exe", std::string(4000, 'o'));
  ASSERT_EQ(open(), 1);
  job.downloaded = 3;
  EXPECT_EQ(closeTarget(*storage, &role), 1);
  EXPECT_EQ(lengthOf(path("setup.exe")), 4000);
}

TEST_F(TargetFile, CloseOfACompleteZeroByteJobCreatesItsFile) {
  job.fileSize = 0;
  job.flags = jobflags::kTempExt;
  storage = std::make_unique<JobStorage>(job, options, clock, fs);
  EXPECT_EQ(closeTarget(*storage, &role), 1);
  EXPECT_EQ(lengthOf(path("setup.exe.np!")), 0);
  EXPECT_EQ(renameToFinal(*storage), 1);
  EXPECT_EQ(lengthOf(path("setup.exe")), 0);
}

TEST_F(TargetFile, DirectoryJobHasNoFileEvenUnderAUsableName) {
  // A listed FTP directory is complete without a file; a file of its name in the save
  // folder belongs to someone else.
  job.url = "ftp://h.test/pub/";
  job.fileSize = -1;
  job.flags = jobflags::kComplete;
  dir.write("setup.exe", "someone else's");
  storage = std::make_unique<JobStorage>(job, options, clock, fs);
  EXPECT_EQ(closeTarget(*storage, &role), 1);
  EXPECT_EQ(deleteJobFile(fs, job, true, true), 0);
  EXPECT_EQ(moveJobFile(fs, job, dir.file("Other")), 0);
  EXPECT_EQ(test::readFileText(path("setup.exe")), "someone else's");
  EXPECT_FALSE(fs.exists(dir.file("Other")));
  EXPECT_EQ(job.saveDir, dir.path());
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST_F(TargetFile, FinalRenameNeverReplacesAFile) {
  job.flags = jobflags::kTempExt;
  dir.write("setup.exe.np!", "new");
  dir.write("setup.exe", "someone else's");
  JobStorage s(job, options, clock, fs);
  EXPECT_EQ(renameToFinal(s), -1);
  EXPECT_EQ(test::readFileText(path("setup.exe")), "someone else's");
  job.flags = 0;
  EXPECT_EQ(renameToFinal(s), 0);
}

TEST_F(TargetFile, DeleteJobFileChoosesThePathByState) {
  struct Case {
    bool complete, temp, delDone, delUndone;
    const char* removed;  // nullptr: nothing removed
  } cases[] = {
      {true, false, true, false, "setup.exe"},     {true, false, false, true, nullptr},
      {false, true, false, true, "setup.exe.np!"}, {false, false, false, true, "setup.exe"},
      {false, true, true, false, nullptr},
  };
  for (const Case& c : cases) {
    dir.write("setup.exe", "f");
    dir.write("setup.exe.np!", "t");
    job.fileSize = 1;
    job.downloaded = c.complete ? 1 : 0;
    job.flags = static_cast<uint16_t>((c.complete ? jobflags::kComplete : 0) |
                                      (c.temp ? jobflags::kTempExt : 0));
    EXPECT_EQ(deleteJobFile(fs, job, c.delDone, c.delUndone), c.removed ? 1 : 0);
    for (const char* n : {"setup.exe", "setup.exe.np!"}) {
      bool gone = c.removed && std::string(n) == c.removed;
      EXPECT_EQ(fs.exists(path(n)), !gone) << n;
    }
  }
  job.fileName = "..";
  EXPECT_EQ(deleteJobFile(fs, job, true, true), 0);
}

TEST_F(TargetFile, MovingAJobFileFollowsItsState) {
  dir.write("setup.exe.np!", "part");
  job.flags = jobflags::kTempExt;
  std::string to = dir.file("Music");
  EXPECT_EQ(moveJobFile(fs, job, to), 1);
  EXPECT_EQ(job.saveDir, to);
  EXPECT_EQ(test::readFileText(dir.file("Music/setup.exe.np!")), "part");

  job.flags = jobflags::kComplete;
  job.fileSize = job.downloaded = 4;
  dir.write("Music/setup.exe", "done");
  dir.write("Other/setup.exe", "taken");
  EXPECT_EQ(moveJobFile(fs, job, dir.file("Other")), -1);
  EXPECT_EQ(job.saveDir, to);
  EXPECT_EQ(moveJobFile(fs, job, dir.path()), 1);
  EXPECT_EQ(test::readFileText(path("setup.exe")), "done");
}

}  // namespace
}  // namespace fw

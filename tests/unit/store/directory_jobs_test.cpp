#include "store/directory_jobs.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "store/category_commands.h"
#include "store/job_database.h"
#include "unit/store/store_fakes.h"

namespace fw {
namespace {

constexpr const char* kDir = "ftp://bob:pw@files.test:2121/pub/";

struct DirectoryJobsTest : ::testing::Test {
  CategoryTree tree;
  Settings settings;
  test::FakeBoxes boxes;
  test::FakeView view;
  test::FakeQueue queue;
  JobContext ctx{tree, settings, &queue, &view, &boxes, {}, {}};
  JobRecord dir;

  void SetUp() override {
    ::setenv("FETCHWRIGHT_HOME", "/fwhome", 1);
    buildDefaultTree(tree, "/dl");
    settings.general.defaultPath = "/dl";
    dir.url = kDir;
    dir.saveDir = "/save";
    dir.fileName = "pub/";
    dir.category = kCategoryDownloaded;
    dir.splitCount = 3;
    dir.referer = "http://ref.test/";
    dir.comment = "nightly";
    dir.ftpProxy = 4;
    dir.httpProxy = 5;
    dir.option3 = 7;
    dir.option4 = 8;
    dir.rate = 2;
    dir.userName = "bob";
    dir.password = "pw";
    dir.flags =
        jobflags::kLogin | jobflags::kMultiProxy | jobflags::kFtpSubdirs | jobflags::kFtpCreateDirs;
    dir.setStartMode(kStartImmediately);
  }
  static DirectoryFile file(const std::string& rel, const std::string& subDir = "") {
    DirectoryFile f;
    f.url = std::string(kDir) + rel;
    f.subDir = subDir;
    return f;
  }
  std::vector<DirectoryFile> tree3() {
    return {file("a.bin"), file("sub/b.bin", "sub"), file("sub/deeper/c%20d.txt", "sub/deeper")};
  }
};

TEST_F(DirectoryJobsTest, EachFileBecomesAJobCopyingTheDirectoryJob) {
  DirectoryJobsOutcome out;
  EXPECT_EQ(addDirectoryJobs(ctx, dir, tree3(), &out), 3);
  ASSERT_EQ(out.added.size(), 3u);
  const JobRecord& j = *out.added[2];
  EXPECT_EQ(j.url, std::string(kDir) + "sub/deeper/c%20d.txt");
  EXPECT_EQ(j.fileName, "c d.txt");
  EXPECT_EQ(j.saveDir, "/save/sub/deeper");
  EXPECT_EQ(j.splitCount, 3);
  EXPECT_EQ(j.referer, "http://ref.test/");
  EXPECT_EQ(j.comment, "nightly");
  EXPECT_EQ(j.userName, "bob");
  EXPECT_EQ(j.password, "pw");
  EXPECT_EQ(j.ftpProxy, 4);
  EXPECT_EQ(j.httpProxy, 5);
  EXPECT_EQ(j.option3, 7);
  EXPECT_EQ(j.option4, 8);
  EXPECT_EQ(j.rate, 2);
  EXPECT_EQ(j.category, kCategoryDownloaded);
  EXPECT_EQ(j.startMode(), kStartImmediately);
  // Multi-proxy and login are kept; a file job never walks or files directories.
  EXPECT_EQ(j.flags & 0x7C, jobflags::kLogin | jobflags::kMultiProxy);
  EXPECT_EQ(out.added[0]->saveDir, "/save");
  EXPECT_EQ(out.added[1]->saveDir, "/save/sub");
  // Through addJob: queued at once and filed in "Download" until finished.
  EXPECT_EQ(queue.calls.size(), 3u);
  EXPECT_EQ(tree.holderOf(j)->id, kCategoryDownload);
}

TEST_F(DirectoryJobsTest, FlatWithoutTheFolderOptionAndDefaultDirectoryBitsDropped) {
  dir.flags &= static_cast<uint16_t>(~jobflags::kFtpCreateDirs);
  dir.saveDir.clear();
  dir.setStartMode(kStartSchedule);
  settings.general.dFlags = 0x1C;
  DirectoryJobsOutcome out;
  addDirectoryJobs(ctx, dir, tree3(), &out);
  ASSERT_EQ(out.added.size(), 3u);
  for (JobRecord* j : out.added) {
    EXPECT_EQ(j->saveDir, "/dl") << j->url;
    EXPECT_EQ(j->flags & 0x1C, 0) << j->url;
    EXPECT_EQ(j->startMode(), kStartSchedule);
  }
}

TEST_F(DirectoryJobsTest, DuplicatesAndUnsafePathsAddNothing) {
  addDirectoryJobs(ctx, dir, {file("a.bin")});
  std::vector<DirectoryFile> files = {
      file("A.BIN"),                               // already there, URLs compare without case
      file("x.bin", "../../etc"),                  // folder climbing out of the save folder
      file("%2E%2E/x.bin"),                        // encoded ".." in the URL
      file("ok%0Aname"),                           // control byte in the name
      file("sub/"),                                // a directory, not a file
      {"ftp://other.test/pub/y.bin", "", -1, {}},  // not below the directory
      file("new.bin"),
  };
  DirectoryJobsOutcome out;
  EXPECT_EQ(addDirectoryJobs(ctx, dir, files, &out), 1);
  EXPECT_EQ(out.count.duplicates, 1);
  EXPECT_EQ(out.count.refused, 5);
  ASSERT_EQ(out.added.size(), 1u);
  EXPECT_EQ(out.added[0]->fileName, "new.bin");
}

TEST_F(DirectoryJobsTest, CategoryIsMadeOnceAndReused) {
  dir.flags |= jobflags::kFtpCategory;
  CategoryRecord* user = createCategory(tree, *tree.root(), "Mirrors", "/mirrors", CategoryUi{});
  ASSERT_NE(user, nullptr);
  dir.category = user->id;
  DirectoryJobsOutcome first;
  addDirectoryJobs(ctx, dir, {file("a.bin")}, &first);
  ASSERT_NE(first.category, nullptr);
  EXPECT_EQ(first.category->name, "pub");
  EXPECT_EQ(first.category->saveDir, "/save");
  EXPECT_EQ(CategoryTree::parentOf(*first.category), user);
  EXPECT_EQ(first.added[0]->category, first.category->id);

  const size_t count = tree.categoryCount();
  DirectoryJobsOutcome again;
  addDirectoryJobs(ctx, dir, {file("b.bin")}, &again);
  EXPECT_EQ(again.category, first.category);
  EXPECT_EQ(tree.categoryCount(), count);
  EXPECT_EQ(again.added[0]->category, first.category->id);
}

TEST_F(DirectoryJobsTest, FixedCategoryPutsTheNewOneUnderTheRootNamedAfterTheHostForTheRoot) {
  dir.flags |= jobflags::kFtpCategory;
  dir.url = "ftp://files.test/";
  DirectoryFile f{"ftp://files.test/a.bin", "", 10, {}};
  DirectoryJobsOutcome out;
  addDirectoryJobs(ctx, dir, {f}, &out);
  ASSERT_NE(out.category, nullptr);
  EXPECT_EQ(out.category->name, "files.test");
  EXPECT_EQ(CategoryTree::parentOf(*out.category), tree.root());
  // No message box for a name the server chose.
  EXPECT_TRUE(boxes.texts.empty());
}

}  // namespace
}  // namespace fw

#include <gtest/gtest.h>

#include "store/job_database.h"

namespace fw {
namespace {

TEST(JobDatabaseStandIn, ARunningJobIsWrittenAsItsStandInSaysAndOthersAsTheyAre) {
  CategoryTree tree;
  buildDefaultTree(tree, "/downloads");
  CategoryRecord* download = tree.findCategory(kCategoryDownload);
  ASSERT_NE(download, nullptr);
  auto* running = new JobRecord;
  running->url = "http://h/a";
  running->fileSize = 100000;
  running->downloaded = 70000;
  running->parts.push_back(PartRange{40000, 49999, 1});
  running->parts.push_back(PartRange{90000, 99999, 1});
  tree.appendJob(*download, running);
  auto* idle = new JobRecord;
  idle->url = "http://h/b";
  idle->downloaded = 5;
  tree.appendJob(*download, idle);

  JobRecord onDisk = *running;
  onDisk.downloaded = 60000;
  onDisk.parts.front().start = 35000;
  onDisk.next = onDisk.prev = nullptr;
  std::string bytes = encodeJobDatabase(tree, [&](const JobRecord& j) -> const JobRecord* {
    return &j == running ? &onDisk : nullptr;
  });

  CategoryTree loaded;
  ASSERT_EQ(decodeJobDatabase(bytes, loaded), kDbLoaded);
  JobRecord* a = loaded.findJobByUrl("http://h/a");
  JobRecord* b = loaded.findJobByUrl("http://h/b");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->downloaded, 60000);
  ASSERT_EQ(a->parts.size(), 2u);
  EXPECT_EQ(a->parts.front().start, 35000);
  EXPECT_EQ(a->parts.back().start, 90000);
  EXPECT_EQ(b->downloaded, 5);
  EXPECT_EQ(running->downloaded, 70000) << "the live record is not touched";
}

}  // namespace
}  // namespace fw

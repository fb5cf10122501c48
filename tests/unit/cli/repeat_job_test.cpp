// A URL that is already a job, given to fetchwright-cli again, in the states the end-to-end
// test of the command line does not reach: progress whose file is gone, and a directory.

#include "cli/repeat_job.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "engine/storage/target_file.h"
#include "store/job_database.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

TEST(RepeatedJob, ProgressWithoutItsFileAndDirectoriesStartOver) {
  struct Case {
    const char* name;
    const char* url;
    std::function<void(JobRecord&)> state;  // what the earlier runs left
    std::string line;                       // "NEW" and "OLD" stand for the two folders
    std::string fileName;
  } cases[] = {
      // Resuming would fail on the missing file: the counted bytes are forgotten, and with
      // nothing on disk the requested folder is taken.
      {"PartialFileGone", "http://h/f.bin",
       [](JobRecord& j) {
         j.fileSize = 10;
         j.downloaded = 4;
         j.flags |= jobflags::kTempExt | jobflags::kResumable;
         j.createTime = DateStamp{2024, 1, 2, 3, 4, 5};
         j.parts = {PartRange{4, 9}};
       },
       "resuming f.bin in NEW (0%)", "f.bin"},
      // A directory job has no file of its own: given again, it lists anew.
      {"CompleteDirectory", "ftp://h/pub/", [](JobRecord& j) { j.flags |= jobflags::kComplete; },
       "listing again: pub/ in NEW", "pub/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir{"fw-repeat"};
    ::setenv("FETCHWRIGHT_HOME", dir.path().c_str(), 1);
    CategoryTree tree;
    Settings settings;
    buildDefaultTree(tree, dir.path());
    JobContext ctx{tree, settings, nullptr, nullptr, nullptr, {}, {}};
    ctx.deleteFile = [](const JobRecord& j) {
      return deleteJobFile(FileSystem::system(), j, true, true);
    };
    AddJobRequest add;
    add.url = c.url;
    add.saveDir = dir.file("old");
    JobRecord* job = addJob(ctx, add);
    ASSERT_NE(job, nullptr);
    c.state(*job);

    RepeatDecision d =
        prepareRepeatedJob(ctx, *job, {dir.file("new"), std::nullopt, false}, FileSystem::system());
    std::string line = c.line;
    line.replace(line.find("NEW"), 3, dir.file("new"));
    EXPECT_TRUE(d.start);
    EXPECT_EQ(d.line, line);
    EXPECT_EQ(job->saveDir, dir.file("new"));
    EXPECT_EQ(job->fileName, c.fileName);
    EXPECT_EQ(job->downloaded, 0);
    EXPECT_TRUE(job->parts.empty());
    EXPECT_FALSE(jobComplete(*job));
  }
}

}  // namespace
}  // namespace fw

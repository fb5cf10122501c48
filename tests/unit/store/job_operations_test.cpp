#include "store/job_operations.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "store/job_database.h"
#include "unit/store/store_fakes.h"

namespace fw {
namespace {

struct JobOperationsTest : ::testing::Test {
  CategoryTree tree;
  Settings settings;
  test::FakeBoxes boxes;
  test::FakeView view;
  test::FakeQueue queue;
  JobContext ctx{tree, settings, &queue, &view, &boxes, {}, {}};
  std::vector<std::string> deleted;
  std::vector<std::string> movedTo;

  void SetUp() override {
    ::setenv("FETCHWRIGHT_HOME", "/fwhome", 1);  // Windows folders map below it
    buildDefaultTree(tree, "/dl");
    settings.general.defaultPath = "/dl";
    ctx.deleteFile = [this](const JobRecord& j) {
      deleted.push_back(j.saveDir + "/" + j.fileName +
                        ((j.flags & 0x0400) && !(j.flags & 0x0200) ? ".np!" : ""));
      return 1;
    };
    ctx.moveFile = [this](JobRecord&, const std::string& dir) {
      movedTo.push_back(dir);
      return dir == "/fail" ? -1 : 1;
    };
  }
  CategoryRecord& cat(uint16_t id) { return *tree.findCategory(id); }
  JobRecord* add(const std::string& url) {
    AddJobRequest r;
    r.url = url;
    return addJob(ctx, r);
  }
};

TEST_F(JobOperationsTest, DefaultsComeFromTheSettings) {
  settings.general.dFlags = 0x3F;  // Immediately would be 1; here 3 -> Schedule
  settings.general.generalCheck |= generalcheck::kTempExtension;
  settings.general.rate = 4;
  settings.general.splitter = 9;
  settings.proxy.defaultFtp = 2;
  settings.proxy.defaultHttp = 3;
  JobRecord* j = add("http://Example.com/dir/file%20one.zip");
  ASSERT_NE(j, nullptr);
  EXPECT_EQ(j->startMode(), kStartSchedule);
  EXPECT_EQ(j->flags & 0x3C, 0x3C);
  EXPECT_TRUE(j->flags & jobflags::kTempExt);
  EXPECT_EQ(j->category, settings.general.cate);
  EXPECT_EQ(j->rate, 4);
  EXPECT_EQ(j->ftpProxy, 2);
  EXPECT_EQ(j->httpProxy, 3);
  EXPECT_EQ(j->splitCount, 9);
  EXPECT_EQ(j->fileSize, -1);
  EXPECT_EQ(j->fileName, "file one.zip");
  EXPECT_EQ(j->saveDir, "/dl");  // "Cate" 2 is "Downloaded", whose folder is /dl
  EXPECT_FALSE(j->createTime.isSet());
  EXPECT_EQ(cat(1).firstJob, j);
  EXPECT_EQ(queue.calls, std::vector<std::string>{"schedule " + j->url});
}

TEST_F(JobOperationsTest, ExplicitStartModeIsNotOverriddenByDFlags) {
  settings.general.dFlags = 29;  // start mode bits say Immediately
  AddJobRequest r;
  r.url = "http://h/manual";
  r.startMode = 0;
  JobRecord* manual = addJob(ctx, r);
  ASSERT_NE(manual, nullptr);
  EXPECT_EQ(manual->startMode(), kStartManual);
  r.url = "http://h/sched";
  r.startMode = 7;
  EXPECT_EQ(addJob(ctx, r)->startMode(), kStartSchedule);
  r.url = "http://h/default";
  r.startMode = kUseDefault8;
  EXPECT_EQ(addJob(ctx, r)->startMode(), kStartImmediately);
  EXPECT_EQ(queue.calls,
            (std::vector<std::string>{"schedule http://h/sched", "start http://h/default"}));
}

TEST_F(JobOperationsTest, DuplicatesAndInvalidUrlsAddNothing) {
  ASSERT_NE(add("http://h/a.zip"), nullptr);
  JobRecord* elsewhere = new JobRecord;
  elsewhere->url = "ftp://h/done.iso";
  tree.appendJob(cat(6), elsewhere);
  EXPECT_EQ(add("HTTP://H/A.ZIP"), nullptr);
  EXPECT_EQ(add("ftp://H/Done.iso"), nullptr);
  EXPECT_EQ(add("not a url"), nullptr);
  EXPECT_EQ(add("gopher://h/x"), nullptr);
  EXPECT_EQ(CategoryTree::jobCount(cat(1)), 1u);
}

TEST_F(JobOperationsTest, LoginFromUrlWinsOverArguments) {
  AddJobRequest r;
  r.url = "ftp://joe:pw@h/f";
  r.userName = "arg";
  r.password = "argpw";
  JobRecord* fromUrl = addJob(ctx, r);
  ASSERT_NE(fromUrl, nullptr);
  EXPECT_EQ(fromUrl->userName, "joe");
  EXPECT_EQ(fromUrl->password, "pw");
  EXPECT_TRUE(fromUrl->flags & jobflags::kLogin);
  r.url = "ftp://h/g";
  JobRecord* fromArgs = addJob(ctx, r);
  EXPECT_EQ(fromArgs->userName, "arg");
  EXPECT_TRUE(fromArgs->flags & jobflags::kLogin);
  r.url = "ftp://h/h";
  r.userName.clear();
  r.password.clear();
  EXPECT_FALSE(addJob(ctx, r)->flags & jobflags::kLogin);
}

TEST_F(JobOperationsTest, SaveFolderAndSplitRules) {
  settings.general.splitter = 5;
  settings.general.cate = 6;
  struct Case {
    const char* url;
    std::string dir;
    uint16_t category;
    uint8_t split;
    std::string wantDir;
    uint16_t wantCategory;
    uint8_t wantSplit;
  } cases[] = {
      {"http://h/1", "/given/", 4, 12, "/given", 4, 12},
      {"http://h/2", "C:\\Downloaded\\Music", 4, 255, "/fwhome/Downloads/Music", 4, 5},
      {"http://h/3", "", 0, 12, "/dl", 6, 5},             // root: "Cate" and DefaultPath
      {"http://h/4", "", 7, 12, "/dl/Driver", 7, 5},      // existing category's folder
      {"http://h/5", "", 99, 12, "/dl", 99, 5},           // missing category: DefaultPath
      {"http://h/6", "", 1, 12, "/dl", 1, 5},             // "Download" itself: DefaultPath
      {"http://h/7", "", 0xFFFF, 12, "/dl/Music", 6, 5},  // "Cate" 6 is "Music"
  };
  for (const Case& c : cases) {
    AddJobRequest r;
    r.url = c.url;
    r.saveDir = c.dir;
    r.category = c.category;
    r.splitCount = c.split;
    JobRecord* j = addJob(ctx, r);
    ASSERT_NE(j, nullptr) << c.url;
    EXPECT_EQ(j->saveDir, c.wantDir) << c.url;
    EXPECT_EQ(j->category, c.wantCategory) << c.url;
    EXPECT_EQ(j->splitCount, c.wantSplit) << c.url;
  }
}

TEST_F(JobOperationsTest, AppendShowsRowAndPlaysSound) {
  view.shown = &cat(1);
  settings.sounds.sflag = soundflags::kSoundsOn;
  settings.sounds.addNewJob = "/snd/addnew.wav";
  settings.general.dFlags = 0;
  JobRecord* j = add("http://h/x");
  EXPECT_EQ(view.rows, std::vector<std::string>{"+http://h/x"});
  EXPECT_EQ(view.sounds, std::vector<std::string>{"/snd/addnew.wav"});
  EXPECT_TRUE(queue.calls.empty());  // Manual
  EXPECT_EQ(j->listIndex, 0);
}

TEST_F(JobOperationsTest, MoveJobBetweenCategories) {
  settings.general.dFlags = 0;
  JobRecord* a = add("http://h/a");
  JobRecord* b = add("http://h/b");
  JobRecord* c = add("http://h/c");
  view.shown = &cat(6);
  JobRecord* m = new JobRecord;
  m->url = "http://h/m";
  tree.appendJob(cat(6), m);

  ASSERT_TRUE(moveJob(ctx, *a, 6, true));
  EXPECT_EQ(cat(6).firstJob, a);
  EXPECT_EQ(a->listIndex, 0);
  EXPECT_EQ(m->listIndex, 1);
  EXPECT_EQ(b->listIndex, 0);
  EXPECT_EQ(c->listIndex, 1);
  ASSERT_TRUE(moveJob(ctx, *b, 6, false));
  EXPECT_EQ(b->listIndex, 2);
  ASSERT_TRUE(moveJob(ctx, *c, 4242, false));  // unknown id: "Downloaded"
  EXPECT_EQ(cat(2).firstJob, c);
  view.rows.clear();
  ASSERT_TRUE(moveJob(ctx, *b, 6, true));  // already there: nothing changes
  EXPECT_EQ(b->listIndex, 2);
  EXPECT_TRUE(view.rows.empty());
}

TEST_F(JobOperationsTest, RestartFromZero) {
  settings.general.dFlags = 0;
  settings.general.generalCheck &= ~generalcheck::kTempExtension;
  JobRecord* done = new JobRecord;
  done->url = "http://h/done";
  done->saveDir = "/dl/Music";
  done->fileName = "song.mp3";
  done->flags = jobflags::kComplete | jobflags::kResumable | jobflags::kTempExt;
  done->flags2 = 0x0009;
  done->fileSize = done->downloaded = 100;
  done->elapsedSeconds = 50;
  done->parts = {{1, 2, 0}};
  done->completeTime = {2024, 1, 1, 0, 0, 0, 1};
  tree.appendJob(cat(6), done);
  JobRecord* partial = add("http://h/partial");
  partial->saveDir = "/dl";
  partial->fileName = "p.bin";
  partial->flags |= jobflags::kTempExt;
  JobRecord* running = add("http://h/running");
  running->activeRoles = 1;

  boxes.answer = kBoxNo;
  EXPECT_EQ(restartFromZero(ctx, {done, partial, running}), 0);
  EXPECT_TRUE(deleted.empty());

  boxes.answer = kBoxYes;
  EXPECT_EQ(restartFromZero(ctx, {done, partial, running}), 2);
  EXPECT_EQ(boxes.texts.back(), kRestartQuestion);
  EXPECT_EQ(deleted, (std::vector<std::string>{"/dl/Music/song.mp3", "/dl/p.bin.np!"}));
  EXPECT_EQ(done->flags & (jobflags::kComplete | jobflags::kResumable | jobflags::kTempExt), 0);
  EXPECT_EQ(done->flags2, 0);
  EXPECT_EQ(done->fileSize, -1);
  EXPECT_EQ(done->downloaded, 0);
  EXPECT_EQ(done->elapsedSeconds, 0u);
  EXPECT_TRUE(done->parts.empty());
  EXPECT_FALSE(done->completeTime.isSet());
  EXPECT_EQ(tree.holderOf(*done), &cat(1));
  EXPECT_EQ(CategoryTree::lastJob(cat(1)), done);
  EXPECT_EQ(queue.calls,
            (std::vector<std::string>{"start http://h/done", "start http://h/partial"}));
}

TEST_F(JobOperationsTest, MoveJobsRefusalsAndFileMoves) {
  settings.general.dFlags = 0;
  JobRecord* a = add("http://h/a");
  JobRecord* b = add("http://h/b");
  b->flags2 |= jobflags2::kQueued;
  EXPECT_EQ(moveJobs(ctx, cat(1), {a, b}, &cat(6)), 0);
  EXPECT_EQ(boxes.texts, std::vector<std::string>{"Can not move downloading job."});
  b->flags2 = 0;
  b->activeRoles = 1;
  EXPECT_EQ(moveJobs(ctx, cat(1), {a, b}, &cat(6)), 0);
  b->activeRoles = 0;
  EXPECT_EQ(moveJobs(ctx, cat(1), {a, b}, nullptr), 0);
  EXPECT_EQ(moveJobs(ctx, cat(1), {}, &cat(6)), 0);

  boxes.texts.clear();
  boxes.answer = kBoxYes;
  a->saveDir = b->saveDir = "/old";
  cat(6).saveDir = "/fail";  // the file move fails: the job keeps its folder
  EXPECT_EQ(moveJobs(ctx, cat(1), {a}, &cat(6)), 1);
  EXPECT_EQ(a->saveDir, "/old");
  cat(7).saveDir = "/new/";
  EXPECT_EQ(moveJobs(ctx, cat(1), {b}, &cat(7)), 1);
  EXPECT_EQ(b->saveDir, "/new");
  EXPECT_EQ(boxes.texts,
            (std::vector<std::string>{"Also move downloaded file?", "Also move downloaded file?"}));
  EXPECT_EQ(tree.holderOf(*b), &cat(7));
  // Answering No moves the record only.
  boxes.answer = kBoxNo;
  movedTo.clear();
  EXPECT_EQ(moveJobs(ctx, cat(7), {b}, &cat(5)), 1);
  EXPECT_TRUE(movedTo.empty());
  EXPECT_EQ(b->saveDir, "/new");
}

}  // namespace
}  // namespace fw

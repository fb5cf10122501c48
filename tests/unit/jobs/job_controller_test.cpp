#include "jobs/job_controller.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine/base/text_buffer.h"
#include "jobs/after_download.h"
#include "jobs/range_assign.h"
#include "platform/fake_clock.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

using test::RecordingHost;

// A Role that does nothing but wait to be stopped, then ends as step 22/24 would.
void parkedRole(RoleRecord& r) {
  while (!r.stopEvent.wait(std::chrono::milliseconds(5))) {
  }
  int code = r.outcome;
  r.outcome = code == -5 ? 5 : 2;
  if (r.range != nullptr) {
    r.channel->control(r, CtlReleaseRange, reinterpret_cast<intptr_t>(&r.range));
    LockGuard g(r.shared->storage->progressLock);
    r.range = nullptr;
  }
  r.channel->control(r, CtlRoleDone, reinterpret_cast<intptr_t>(r.thread));
}

class ControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    job.url = "http://127.0.0.1/file.bin";
    job.fileName = "file.bin";
    job.saveDir = dir.path();
    job.splitCount = 4;
    job.category = kCategoryDownload;
  }
  JobController& make(RoleEntry entry = parkedRole) {
    ctl = std::make_unique<JobController>(loop, job, host, clock, entry);
    ending.minSegmentBytes = 100;
    EXPECT_EQ(ctl->prepareRun(RoleSettings{}, ending), 1);
    return *ctl;
  }
  // Gives the job a known size, resumable, and starts Role 1.
  void startKnown(int64_t size) {
    job.fileSize = size;
    job.flags |= jobflags::kResumable;
    ctl->command(CtlStart, 0);
  }
  void pumpUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 2000 && !done(); ++i) {
      loop.processPending();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(done());
  }

  test::TempDir dir{"fwctl"};
  FakeClock clock;
  MessageLoop loop{clock};
  JobRecord job;
  RecordingHost host;
  EndingOptions ending;
  std::unique_ptr<JobController> ctl;
};

TEST(RangeAssign, SplitsTheLargestRangeInHalves) {
  struct Case {
    int64_t start, end;
    bool splits;
    int64_t lowEnd, highStart;
  } cases[] = {
      {0, 9, true, 3, 4},  // 10 bytes: [0,3] and [4,9]
      {100, 109, true, 103, 104},
      {0, 8, false, 8, 0},  // 9 bytes remaining: left alone
      {0, 1000, true, 499, 500},
  };
  for (const Case& c : cases) {
    std::list<PartRange> parts{{c.start, c.end, 1}};
    PartRange* upper = splitRange(parts, parts.begin());
    EXPECT_EQ(upper != nullptr, c.splits) << c.start << "-" << c.end;
    if (upper) {
      EXPECT_EQ(parts.front().end, c.lowEnd);
      EXPECT_EQ(upper->start, c.highStart);
      EXPECT_EQ(upper->end, c.end);
      EXPECT_EQ(upper->inUse, 1);
    }
  }
}

TEST(RangeAssign, MinSegmentAndTies) {
  EXPECT_TRUE(worthSplitting(PartRange{0, 100, 1}, 100));
  EXPECT_FALSE(worthSplitting(PartRange{0, 99, 1}, 100));
  EXPECT_FALSE(worthSplitting(PartRange{5, 5, 1}, 0));
  std::list<PartRange> parts{{0, 50, 1}, {100, 150, 1}, {200, 220, 1}};
  EXPECT_EQ(largestRange(parts)->start, 0);
}

TEST(RangeAssign, OneByteRangeIsStillWork) {
  // [s, s] holds one byte: taking it as finished would leave a hole in the file.
  std::list<PartRange> parts{{10, 10, 0}, {11, 5, 0}};
  PartRange* p = takeFreeRange(parts);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->start, 10);
  EXPECT_TRUE(anyUnfinished(parts));
  p->start = 11;
  EXPECT_FALSE(anyUnfinished(parts));
}

TEST_F(ControllerTest, UnknownSizeNeverGetsASecondRange) {
  make();
  ctl->command(CtlStart, 0);
  RoleRecord* r1 = ctl->findRole(1);
  ASSERT_NE(r1, nullptr);
  EXPECT_EQ(ctl->command(CtlAssignRange, reinterpret_cast<intptr_t>(r1)), 0);
  EXPECT_EQ(ctl->command(CtlCanStartRole, 0), 0);
  EXPECT_EQ(ctl->command(CtlAssignRange, 0), -3);
  ctl->command(CtlStopRole, 1);
  EXPECT_EQ(host.endings, 1);
}

TEST_F(ControllerTest, FirstRangeStartsAtDownloadedThenSplitsOwnersRange) {
  make();
  job.downloaded = 1000;
  startKnown(10000);
  RoleRecord* r1 = ctl->findRole(1);
  ASSERT_EQ(ctl->command(CtlAssignRange, reinterpret_cast<intptr_t>(r1)), 1);
  EXPECT_EQ(r1->range->start, 1000);
  EXPECT_EQ(r1->range->end, 9999);
  ASSERT_EQ(ctl->command(CtlGrowToSplit, 0), 1);
  EXPECT_EQ(job.activeRoles, 4);
  RoleRecord* r2 = ctl->findRole(2);
  ASSERT_NE(r2, nullptr);
  ASSERT_EQ(ctl->command(CtlAssignRange, reinterpret_cast<intptr_t>(r2)), 1);
  EXPECT_EQ(r1->range->end, 1000 + 4499 - 1);
  EXPECT_EQ(r2->range->start, 1000 + 4499);
  EXPECT_EQ(r2->range->end, 9999);
  // Role 2 gives its range back: Role 3 takes it whole instead of splitting.
  ctl->command(CtlReleaseRange, reinterpret_cast<intptr_t>(&r2->range));
  r2->range = nullptr;
  RoleRecord* r3 = ctl->findRole(3);
  ASSERT_EQ(ctl->command(CtlAssignRange, reinterpret_cast<intptr_t>(r3)), 1);
  EXPECT_EQ(r3->range->start, 1000 + 4499);
  EXPECT_EQ(job.parts.size(), 2u);
  ctl->command(CtlStopAll, 0);
  pumpUntil([&] { return job.activeRoles == 0; });
  clock.advanceMs(1000);
  ctl->tick();
  EXPECT_EQ(host.endings, 1);
  EXPECT_FALSE(host.lastComplete);
  EXPECT_EQ(job.flags & jobflags::kFailed, 0) << "a user stop is not a failure";
}

TEST_F(ControllerTest, SlowRoleIsReplacedAfterTwentySeconds) {
  for (uint32_t slowSpeed : {19u, 20u}) {
    job = JobRecord{};
    job.splitCount = 2;
    job.category = kCategoryDownload;
    make();
    startKnown(200);  // too short to split at MinSegment 100 once halved
    RoleRecord* r1 = ctl->findRole(1);
    ASSERT_EQ(ctl->command(CtlAssignRange, reinterpret_cast<intptr_t>(r1)), 1);
    ctl->command(CtlSetRoleCount, 2);
    RoleRecord* r2 = ctl->findRole(2);
    ASSERT_NE(r2, nullptr);
    r1->range->start = 120;  // 79 left: not worth splitting any more
    r1->speed = slowSpeed;
    r2->speed = 5000;
    clock.advanceMs(21000);
    intptr_t got = ctl->command(CtlAssignRange, reinterpret_cast<intptr_t>(r2));
    if (slowSpeed == 19) {
      EXPECT_EQ(got, 1);
      EXPECT_EQ(ctl->findRole(1), nullptr) << "the slow Role was stopped";
      EXPECT_EQ(r2->range->start, 120);
    } else {
      EXPECT_EQ(got, 0);
      EXPECT_NE(ctl->findRole(1), nullptr);
    }
    ctl->command(CtlStopAll, 0);
    pumpUntil([&] { return job.activeRoles == 0; });
    ctl->tick();
    ctl.reset();
  }
}

TEST_F(ControllerTest, GrowingIsBoundedAndStopsWithoutWork) {
  make();
  startKnown(1000);
  EXPECT_EQ(ctl->command(CtlSetRoleCount, 129), 0);
  RoleRecord* r1 = ctl->findRole(1);
  ctl->command(CtlAssignRange, reinterpret_cast<intptr_t>(r1));
  ctl->command(CtlSetRoleCount, 4);
  EXPECT_EQ(job.activeRoles, 4);
  // 999 left, MinSegment 100: the new Roles split until the pieces are too short.
  int got = 0;
  for (int no = 2; no <= 4; ++no) {
    got += static_cast<int>(
        ctl->command(CtlAssignRange, reinterpret_cast<intptr_t>(ctl->findRole(no))));
  }
  EXPECT_EQ(got, 3);
  EXPECT_EQ(job.parts.size(), 4u);
  EXPECT_EQ(ctl->command(CtlCanStartRole, 0), 1);
  job.parts = {PartRange{0, 98, 1}};
  EXPECT_EQ(ctl->command(CtlCanStartRole, 0), 0);
  job.parts.clear();
  for (int no = 1; no <= 4; ++no) ctl->findRole(no)->range = nullptr;
  ctl->command(CtlStopAll, 0);
  pumpUntil([&] { return job.activeRoles == 0; });
  ctl->tick();
}

TEST_F(ControllerTest, StoppingTheLastRoleEndsTheJob) {
  make();
  startKnown(1000);
  ctl->command(CtlStopRole, 1);
  EXPECT_FALSE(ctl->running());
  EXPECT_EQ(job.activeRoles, 0);
  EXPECT_EQ(host.endings, 1);
  EXPECT_EQ(job.startMode(), kStartManual);
}

TEST_F(ControllerTest, AlternateUrlsAreHandedOutInTurn) {
  make();
  TextBuffer b;
  ctl->command(CtlNextAltUrl, reinterpret_cast<intptr_t>(&b));
  EXPECT_EQ(b.result, 2);
  job.altUrls = {"http://a/1", std::string(2000, 'x'), "http://c/3"};
  ctl->command(CtlNextAltUrl, reinterpret_cast<intptr_t>(&b));
  EXPECT_EQ(b.result, 1);
  EXPECT_EQ(b.str(), "http://a/1");
  ctl->command(CtlNextAltUrl, reinterpret_cast<intptr_t>(&b));
  EXPECT_EQ(b.result, 0) << "2,000 bytes or more is not handed out";
  ctl->command(CtlNextAltUrl, reinterpret_cast<intptr_t>(&b));
  EXPECT_EQ(b.result, 1);
  EXPECT_EQ(b.str(), "http://c/3");
  ctl->command(CtlNextAltUrl, reinterpret_cast<intptr_t>(&b));
  EXPECT_EQ(b.result, 0);
}

TEST_F(ControllerTest, LogLinesKeepTheLimits) {
  make();
  ctl->command(CtlStart, 0);
  RoleRecord* r1 = ctl->findRole(1);
  ctl->channel().log(*r1, kLogError, std::string(2001, 'a'));
  EXPECT_TRUE(r1->log->lines.empty());
  ctl->channel().log(*r1, kLogError, std::string(2000, 'a'));
  ASSERT_EQ(r1->log->lines.size(), 1u);
  EXPECT_EQ(r1->log->lines[0][0], '2');
  for (int i = 0; i < 600; ++i) ctl->channel().log(*r1, kLogState, "x");
  EXPECT_EQ(r1->log->lines.size(), 601u);
  ctl->channel().log(*r1, kLogState, "y");
  ASSERT_EQ(r1->log->lines.size(), 1u) << "a list over 600 lines is emptied first";
  EXPECT_EQ(r1->log->lines[0], "0y");
  ctl->command(CtlStopRole, 1);
}

TEST_F(ControllerTest, FileNameOffersAndTexts) {
  make();
  job.fileName = "old.bin";
  TextBuffer b;
  b.set("  new.bin ");
  ctl->command(CtlOfferFileName, reinterpret_cast<intptr_t>(&b));
  EXPECT_EQ(job.fileName, "new.bin");
  job.downloaded = 5;
  b.set("later.bin");
  ctl->command(CtlOfferFileName, reinterpret_cast<intptr_t>(&b));
  EXPECT_EQ(job.fileName, "new.bin") << "a name is not changed once data arrived";
  ctl->command(CtlSetFileName, reinterpret_cast<intptr_t>(&b));
  EXPECT_EQ(job.fileName, "later.bin");
  job.saveDir = "/data/dl/";
  ctl->command(CtlGetSaveDir, reinterpret_cast<intptr_t>(&b));
  EXPECT_EQ(b.str(), "/data/dl");
  EXPECT_EQ(b.result, 1);
  job.userName = "u";
  job.password = "p";
  ctl->command(CtlGetCredentials, reinterpret_cast<intptr_t>(&b));
  EXPECT_EQ(b.str(), "u:p");
  job.url = "http://h/dir";
  b.set("f.zip");
  ctl->command(CtlAppendUrlName, reinterpret_cast<intptr_t>(&b));
  EXPECT_EQ(job.url, "http://h/dir/f.zip");
}

TEST_F(ControllerTest, TickMeasuresSpeedAndElapsedTime) {
  make();
  job.fileSize = 100000;
  job.downloaded = 20000;
  {
    LockGuard g(ctl->storage().speedLock);
    ctl->storage().speedRing.add(99999, clock.monotonicMs() - 2500);  // too old
    ctl->storage().speedRing.add(3000, clock.monotonicMs() - 1500);
    ctl->storage().speedRing.add(1000, clock.monotonicMs() - 500);
  }
  ctl->shared().ctlFlags |= ctlflags::kFlowing;
  for (int i = 0; i < 4; ++i) ctl->tick();
  EXPECT_EQ(ctl->speed(), 2000);
  EXPECT_EQ(job.elapsedSeconds, 4u);
  EXPECT_EQ(host.cells["Speed"], "1.95K");
  EXPECT_EQ(host.cells["Left"], "00:00:40");
  EXPECT_EQ(host.cells["Elapsed Time"], "00:00:04");
}

TEST_F(ControllerTest, EndingWithAHoleIsNotCompletion) {
  make();
  startKnown(1000);
  job.downloaded = 1000;                        // counted in full ...
  job.parts.push_back(PartRange{400, 499, 0});  // ... yet a range was never fetched
  ctl->command(CtlStopRole, 1);
  EXPECT_FALSE(host.lastComplete);
  EXPECT_FALSE(job.completeTime.isSet());
}

TEST_F(ControllerTest, CompletionRunsTheProgramWithoutAShell) {
  ending.runProgram = true;
  ending.program = "/usr/bin/scan";
  ending.programArgs = "--quiet \"a b\"";
  ending.programTypes = ".ZIP;.DO?";
  ending.successNotice = true;
  job.fileName = "x; rm -rf ~.doc";
  make();
  startKnown(10);
  job.downloaded = 10;
  ctl->command(CtlStopRole, 1);
  EXPECT_TRUE(host.lastComplete);
  EXPECT_TRUE(job.completeTime.isSet());
  ASSERT_EQ(host.programs.size(), 1u);
  std::vector<std::string> want{"/usr/bin/scan", "--quiet", "a b", dir.file("x; rm -rf ~.doc")};
  EXPECT_EQ(host.programs[0], want);
  EXPECT_EQ(host.notices, std::vector<std::string>{"x; rm -rf ~.doc success"});
  EXPECT_EQ(host.categoryMoves, 1);
}

TEST(AfterDownload, ExtensionPatterns) {
  EXPECT_TRUE(extensionListed("a.zip", ".ZIP;.EXE"));
  EXPECT_TRUE(extensionListed("a.DOC", ".DO?"));
  EXPECT_FALSE(extensionListed("a.docx", ".DO?"));
  EXPECT_FALSE(extensionListed("README", ".ZIP"));
  EXPECT_FALSE(extensionListed("a.z", ".ZIP"));
}

}  // namespace
}  // namespace fw

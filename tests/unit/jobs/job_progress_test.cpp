// The main thread's view of a job: what it copies, and that its reads and writes of a
// running job hold the job's locks while a Role counts bytes through the receive path and
// reads the flags. Under ThreadSanitizer an unguarded access here fails the test.

#include "jobs/job_progress.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/storage/receive_loop.h"
#include "jobs/job_controller.h"
#include "platform/fake_clock.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

TEST(JobProgress, AJobWithoutAControllerIsReadAndChangedAsItIs) {
  JobRecord job;
  job.downloaded = 600;
  job.fileSize = 2400;
  job.flags = jobflags::kTempExt;
  job.flags2 = jobflags2::kQueued;
  job.fileName = "a.iso";
  job.saveDir = "/srv";
  const JobProgress p = readProgress(job);
  EXPECT_EQ(p.downloaded, 600);
  EXPECT_EQ(p.fileSize, 2400);
  EXPECT_EQ(p.percent(), 25);
  EXPECT_EQ(p.flags, jobflags::kTempExt);
  EXPECT_EQ(p.flags2, jobflags2::kQueued);
  EXPECT_EQ(p.fileName, "a.iso");
  EXPECT_EQ(p.saveDir, "/srv");
  EXPECT_TRUE(readRoleProgress(job).empty());
  changeJob(job, [](JobRecord& j) { j.setStartMode(kStartSchedule); });
  EXPECT_EQ(job.startMode(), kStartSchedule);
}

TEST(JobProgress, ReadsAndChangesOfARunningJobHoldItsLocks) {
  constexpr int kReads = 2000;
  constexpr int kRead = 512;
  constexpr int64_t kSize = int64_t{kReads} * kRead;
  test::TempDir dir{"fwprogress"};
  FakeClock clock;
  MessageLoop loop{clock};
  test::RecordingHost host;
  JobRecord job;
  job.url = "http://127.0.0.1/p.bin";
  job.fileName = "p.bin";
  job.saveDir = dir.path();
  job.splitCount = 1;
  job.fileSize = kSize;
  job.flags = jobflags::kResumable;
  // The main thread's passes, counted without ordering anything (a relaxed atomic makes
  // no happens-before edge), so that the Role can keep in step with them.
  std::atomic<int> passes{0};
  // Counts the whole file in reads of 512 bytes the way a receive loop does, testing the
  // flags after each read, then ends. Each read waits (bounded) for one more pass of the
  // main thread, so that the two interleave however the threads are scheduled.
  RoleEntry counting = [&passes](RoleRecord& r) {
    r.channel->control(r, CtlAssignRange, reinterpret_cast<intptr_t>(&r));
    ReceiveLoop receive(r, *r.shared->storage, *r.shared->program, *r.clock);
    for (int i = 0; i < kReads; ++i) {
      const int before = passes.load(std::memory_order_relaxed);
      for (int spin = 0; spin < 100000 && passes.load(std::memory_order_relaxed) == before; ++spin)
        std::this_thread::yield();
      receive.advance(kRead);
      receive.transferComplete();
    }
    r.channel->control(r, CtlRoleDone, reinterpret_cast<intptr_t>(r.thread));
  };
  JobController ctl(loop, job, host, clock, counting);
  StorageOptions storage;
  storage.fallbackDir = dir.path();
  ASSERT_EQ(ctl.prepareRun(RoleSettings{}, EndingOptions{}, storage), 1);
  ctl.command(CtlStart, 0);

  int64_t seen = 0, rangeStart = 0;
  int reads = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (host.endings == 0 && std::chrono::steady_clock::now() < deadline) {
    loop.processPending();
    const JobProgress p = readProgress(job);
    ASSERT_GE(p.downloaded, seen) << "read " << reads;
    ASSERT_LE(p.downloaded, kSize);
    seen = p.downloaded;
    for (const RoleProgress& r : readRoleProgress(job)) {
      if (r.start < 0) continue;
      ASSERT_GE(r.start, rangeStart);
      ASSERT_EQ(r.end, kSize - 1);
      rangeStart = r.start;
    }
    changeJob(job,
              [&](JobRecord& j) { j.setStartMode(reads % 2 ? kStartImmediately : kStartManual); });
    ++reads;
    passes.fetch_add(1, std::memory_order_relaxed);
  }
  ASSERT_EQ(host.endings, 1);
  EXPECT_TRUE(host.lastComplete);
  EXPECT_EQ(readProgress(job).downloaded, kSize);
}

}  // namespace
}  // namespace fw

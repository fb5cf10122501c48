// The queue of a fetchwright-cli run on real job controllers and a fake clock: without
// pacing a queued job starts inside the message-loop turn in which the job before it
// ends; with pacing it waits for the monitor's tick.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "jobs/controller_runner.h"
#include "engine/role/role_job.h"
#include "platform/fake_clock.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

// A Role that fetches nothing: the job is complete and the Role ends at once.
void instantRole(RoleRecord& r) {
  {
    LockGuard g(r.shared->storage->recordLock);
    r.shared->job->flags |= jobflags::kComplete;
  }
  r.outcome = 2;
  r.channel->control(r, CtlRoleDone, reinterpret_cast<intptr_t>(r.thread));
}

class QuietMonitorHost final : public MonitorHost {
 public:
  void setTitle(const std::string&) override {}
  void showQueued(JobRecord&) override {}
  void notice(const std::string&) override {}
};

// Hands each ending to the monitor as the command-line program does, and notes how many
// other jobs run once the monitor has had its say, still inside the ending's turn.
class QueueHost final : public test::RecordingHost {
 public:
  void jobEnded(JobRecord& job, bool complete) override {
    RecordingHost::jobEnded(job, complete);
    monitor->runEnded(job);
    int others = 0;
    for (JobRecord* j : *jobs) others += j != &job && j->activeRoles > 0;
    runningAtEnd.push_back(others);
  }
  QueueMonitor* monitor = nullptr;
  const std::vector<JobRecord*>* jobs = nullptr;
  std::vector<int> runningAtEnd;
};

TEST(QueueRun, WithoutPacingEachQueuedJobStartsInTheTurnItsPredecessorEnds) {
  for (bool pacing : {false, true}) {
    SCOPED_TRACE(pacing ? "pacing" : "no pacing");
    test::TempDir dir{"fwqueue"};
    FakeClock clock;
    MessageLoop loop{clock};
    QueueHost host;
    QuietMonitorHost monitorHost;
    ControllerRunner runner(loop, host, clock, instantRole, [&](const JobRecord&) {
      RunConfig c;
      c.role.pacing = pacing;
      c.storage.fallbackDir = dir.path();
      return c;
    });
    ProgramTransfer transfer;
    runner.setTransfer(&transfer);
    MonitorSettings settings;
    settings.simuRole = 1;
    settings.pacing = pacing;
    QueueMonitor monitor(runner, monitorHost, transfer, clock, settings);
    JobRecord a, b, c;
    std::vector<JobRecord*> jobs{&a, &b, &c};
    for (JobRecord* j : jobs) {
      j->url = "http://127.0.0.1/f.bin";
      j->saveDir = dir.path();
      j->splitCount = 1;
    }
    host.monitor = &monitor;
    host.jobs = &jobs;
    for (JobRecord* j : jobs) monitor.start(*j);
    ASSERT_EQ(monitor.waitQueue().size(), 2u);

    // The loop alone, no tick of the monitor: bounded, and real time only for the Roles'
    // threads to run.
    auto pump = [&](int endings) {
      for (int i = 0; i < 400 && host.endings < endings; ++i) {
        loop.processPending();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    };
    if (!pacing) {
      pump(3);
      EXPECT_EQ(host.endings, 3);
      EXPECT_EQ(host.runningAtEnd, (std::vector<int>{1, 1, 0}));
    } else {
      pump(1);
      pump(2);  // gives the second job every chance to start by itself, which it must not
      EXPECT_EQ(host.endings, 1);
      EXPECT_EQ(host.runningAtEnd, (std::vector<int>{0}));
      for (int n = 2; n <= 3; ++n) {
        monitor.tick();
        pump(n);
      }
      EXPECT_EQ(host.endings, 3);
    }
    for (JobRecord* j : jobs) EXPECT_TRUE(j->flags & jobflags::kComplete);
    monitor.tick();
  }
}

}  // namespace
}  // namespace fw

#pragma once
// A JobRunner for queue monitor tests: a started job keeps "Roles" until the test
// finishes it; every start and end is recorded. It makes no controller: `job.controller`
// stays null, as the main thread reaches a job's locks through it (jobs/job_progress.h).

#include <map>

#include "jobs/queue_monitor.h"

namespace fw::test {

class ScriptedRunner : public JobRunner {
 public:
  int startRun(JobRecord& job) override {
    ++starts[&job];
    job.activeRoles = 1;
    return 1;
  }
  void endRun(JobRecord& job, int code) override {
    endCodes[&job] = code;
    job.activeRoles = 0;
  }
  bool hasRoles(JobRecord& job) override { return job.activeRoles > 0; }
  void releaseController(JobRecord& job) override { job.controller = nullptr; }
  void finish(JobRecord& job, bool complete) {
    job.activeRoles = 0;
    if (complete) job.flags |= jobflags::kComplete;
  }

  std::map<JobRecord*, int> starts, endCodes;
};

}  // namespace fw::test

#pragma once
// What the panes show of a job, read once per repaint: the fields its Roles share, taken
// under the job's locks (jobs/job_progress.h), whether it runs and the speed its
// controller measured, and, for the segment map, its open ranges.
//
// Main thread only.

#include <vector>

#include "jobs/job_progress.h"

namespace fw {

struct ShownProgress : JobProgress {
  bool running = false;
  bool complete = false;  // finished, not running
  int64_t speed = 0;      // bytes per second; 0 when it does not run
  std::vector<RangeProgress> ranges;
};

ShownProgress readShown(const JobRecord& job, bool withRanges);

// Whether `job` is finished: never for a running job, whose fields are its Roles' to
// write (a running job is not finished yet in any case).
bool finishedJob(const JobRecord& job);

}  // namespace fw

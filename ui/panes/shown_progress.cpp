#include "ui/panes/shown_progress.h"

#include "jobs/job_controller.h"

namespace fw {

ShownProgress readShown(const JobRecord& job, bool withRanges) {
  ShownProgress p;
  static_cast<JobProgress&>(p) = readProgress(job);
  p.running = job.activeRoles > 0;
  p.complete = finishedJob(job);
  p.speed = p.running && job.controller ? job.controller->speed() : 0;
  if (withRanges) p.ranges = readRanges(job);
  return p;
}

bool finishedJob(const JobRecord& job) {
  return job.activeRoles == 0 && jobComplete(job);
}

}  // namespace fw

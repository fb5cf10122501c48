#include "cli/job_listing.h"

#include <cstdio>

namespace fw {

const char* stateName(JobState state) {
  switch (state) {
    case JobState::Running:
      return "running";
    case JobState::Complete:
      return "complete";
    case JobState::Failed:
      return "failed";
    case JobState::Queued:
      return "queued";
    case JobState::Scheduled:
      return "scheduled";
    case JobState::Stopped:
      return "stopped";
  }
  return "?";
}

std::string listLine(const JobRecord& job) {
  std::string size = job.sizeKnown() ? sizeText(job.fileSize, true) : "-";
  char head[96];
  std::snprintf(head, sizeof head, "%-9s %4d%% %12s ", stateName(jobState(job)),
                percentComplete(job), size.c_str());
  return head + job.fileName + "  " + job.url;
}

}  // namespace fw

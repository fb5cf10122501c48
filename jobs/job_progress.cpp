#include "jobs/job_progress.h"

#include "jobs/job_controller.h"

namespace fw {

JobProgress progressFields(const JobRecord& job) {
  return JobProgress{job.downloaded, job.fileSize, job.flags,    job.flags2,
                     job.createTime, job.fileDate, job.fileName, job.saveDir};
}

JobProgress readProgress(const JobRecord& job) {
  return job.controller != nullptr ? job.controller->progress() : progressFields(job);
}

std::vector<RangeProgress> readRanges(const JobRecord& job) {
  std::vector<RangeProgress> out;
  auto copy = [&] {
    out.reserve(job.parts.size());
    for (const PartRange& p : job.parts)
      if (!p.finished()) out.push_back(RangeProgress{p.start, p.end, p.inUse != 0});
  };
  if (job.controller == nullptr) {
    copy();
    return out;
  }
  LockGuard prog(job.controller->storage().progressLock);
  copy();
  return out;
}

std::vector<RoleProgress> readRoleProgress(const JobRecord& job) {
  std::vector<RoleProgress> out;
  if (job.controller == nullptr) return out;
  JobController& c = *job.controller;
  LockGuard prog(c.storage().progressLock);
  for (const RoleRecord* r : c.roles()) {
    RoleProgress p;
    p.roleNo = r->roleNo;
    if (r->range != nullptr) {
      p.start = r->range->start;
      p.end = r->range->end;
    }
    p.speed = r->speed.load();
    out.push_back(p);
  }
  return out;
}

void changeJob(JobRecord& job, const std::function<void(JobRecord&)>& change) {
  if (job.controller == nullptr) {
    change(job);
    return;
  }
  LockGuard rec(job.controller->storage().recordLock);
  change(job);
}

}  // namespace fw

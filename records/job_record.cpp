#include "records/job_record.h"

#include <cinttypes>
#include <cstdio>

namespace fw {

bool jobComplete(const JobRecord& job) {
  if (job.flags2 & jobflags2::kDownloadAgain) return false;
  if (job.flags & jobflags::kComplete) return true;
  return job.sizeKnown() && job.downloaded >= job.fileSize;
}

JobState jobState(const JobRecord& job) {
  if (job.activeRoles > 0) return JobState::Running;
  if (jobComplete(job)) return JobState::Complete;
  if (job.flags & jobflags::kFailed) return JobState::Failed;
  if (job.startMode() == kStartImmediately || (job.flags2 & jobflags2::kQueued))
    return JobState::Queued;
  if (job.startMode() == kStartSchedule) return JobState::Scheduled;
  return JobState::Stopped;
}

int percentComplete(int64_t downloaded, int64_t fileSize) {
  if (fileSize <= 0) return 0;
  // Below 1 MiB the direct product cannot overflow; above it the design divides first,
  // which keeps the list's figures identical to what users have always seen.
  if (fileSize < 1048576) return static_cast<int>(downloaded * 100 / fileSize);
  return static_cast<int>((downloaded / 1024 * 100) / (fileSize / 1024));
}

int percentComplete(const JobRecord& job) {
  return percentComplete(job.downloaded, job.fileSize);
}

std::string percentText(int64_t downloaded, int64_t fileSize) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%3d%%", percentComplete(downloaded, fileSize));
  return buf;
}

std::string percentText(const JobRecord& job) {
  return percentText(job.downloaded, job.fileSize);
}

std::string sizeText(int64_t bytes, bool byteCount) {
  char buf[32];
  if (byteCount)
    std::snprintf(buf, sizeof buf, "%" PRId64, bytes);
  else
    std::snprintf(buf, sizeof buf, "%" PRId64 "KB", bytes / 1024);
  return buf;
}

std::string sizeCell(const JobRecord& job, bool byteCount) {
  return job.sizeKnown() ? sizeText(job.fileSize, byteCount) : std::string();
}

std::string leftCell(const JobRecord& job, bool byteCount) {
  return job.sizeKnown() ? sizeText(job.fileSize - job.downloaded, byteCount) : std::string();
}

std::string elapsedText(uint32_t seconds) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", seconds / 3600, seconds % 3600 / 60,
                seconds % 60);
  return buf;
}

std::string rateText(uint8_t rate) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d Star", rate);
  return buf;
}

void resetToNew(JobRecord& job) {
  JobRecord* next = job.next;
  JobRecord* prev = job.prev;
  job = JobRecord{};
  job.next = next;
  job.prev = prev;
}

}  // namespace fw

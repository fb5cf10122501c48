#pragma once
// How the main thread reads and changes what a job's Roles share with it while the job
// runs (records/job_record.h says which lock guards each field). The job list and its
// detail pane, the queue monitor and the command-line progress view all read a running
// job once a second, and read it here rather than field by field: a field a Role writes
// under a lock is never read half-written, and `downloaded` and `fileSize` are always of
// the same moment.
//
// Threads: main thread only, holding none of the job's locks.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "records/date_stamp.h"
#include "records/job_record.h"

namespace fw {

// The fields of a job that its Roles write, taken together.
struct JobProgress {
  int64_t downloaded = 0;
  int64_t fileSize = -1;  // -1 unknown
  uint16_t flags = 0;
  uint16_t flags2 = 0;
  DateStamp createTime;
  DateStamp fileDate;
  std::string fileName;
  std::string saveDir;

  bool sizeKnown() const { return fileSize >= 0; }
  int percent() const { return percentComplete(downloaded, fileSize); }
};

// One open range of a job, as its segment map shows it.
struct RangeProgress {
  int64_t start = 0;   // next byte to fetch
  int64_t end = 0;     // last byte, inclusive
  bool inUse = false;  // a Role holds it
};

// One Role of a running job as its node in the Role tree shows it.
struct RoleProgress {
  int roleNo = 0;
  int64_t start = -1;  // next byte of its range; -1 without a range
  int64_t end = -1;    // last byte of its range
  uint32_t speed = 0;  // bytes per second
};

// The fields as they are: the caller owns the record (no Role runs) or holds the job's
// record and progress locks.
JobProgress progressFields(const JobRecord& job);

// A copy taken under the record lock and then the progress lock of the job's controller.
// A job without a controller has no Role and is read as it is.
JobProgress readProgress(const JobRecord& job);

// The job's unfinished ranges in file order, read under the progress lock while it has a
// controller.
std::vector<RangeProgress> readRanges(const JobRecord& job);

// The job's live Roles in ascending number, read under the progress lock; empty without a
// controller.
std::vector<RoleProgress> readRoleProgress(const JobRecord& job);

// Runs `change` with the job's record lock held while it has a controller: for the main
// thread's writes of fields its Roles read (flags and its start mode, flags2, url,
// referer, userName, password, ftpProxy, httpProxy, listIndex, fileName, saveDir).
// `change` must not send anything to the job's controller.
void changeJob(JobRecord& job, const std::function<void(JobRecord&)>& change);

}  // namespace fw

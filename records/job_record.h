#pragma once
// One download job, its byte ranges, and the category node that files it.

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "records/date_stamp.h"

namespace fw {

class JobController;

// flags bits.
namespace jobflags {
inline constexpr uint16_t kStartModeMask = 0x0003;  // 0 Manual, 1 Immediately, 2 Schedule
inline constexpr uint16_t kFtpSubdirs = 0x0004;
inline constexpr uint16_t kFtpCreateDirs = 0x0008;
inline constexpr uint16_t kFtpCategory = 0x0010;
inline constexpr uint16_t kLogin = 0x0020;
inline constexpr uint16_t kMultiProxy = 0x0040;
inline constexpr uint16_t kFailed = 0x0100;
inline constexpr uint16_t kComplete = 0x0200;
inline constexpr uint16_t kTempExt = 0x0400;  // file still named "<name>.np!"
inline constexpr uint16_t kResumable = 0x0800;
inline constexpr uint16_t kNotResumable = 0x1000;
inline constexpr uint16_t kResumeMask = 0x1800;
}  // namespace jobflags

// flags2 bits.
namespace jobflags2 {
inline constexpr uint16_t kDownloadAgain = 0x0001;
inline constexpr uint16_t kQueued = 0x0002;
inline constexpr uint16_t kNameFixed = 0x0008;
}  // namespace jobflags2

enum StartMode : uint8_t { kStartManual = 0, kStartImmediately = 1, kStartSchedule = 2 };

inline constexpr const char* kTempExtension = ".np!";

// One byte range still to fetch. `end` is inclusive, so [s, s] still holds one byte:
// a range is finished only once start has passed end (treating start == end as done
// would leave a one-byte hole in the file).
struct PartRange {
  int64_t start = 0;  // next byte to fetch
  int64_t end = 0;    // last byte, inclusive
  uint8_t inUse = 0;  // runtime: a Role works on it

  bool finished() const { return start > end; }
};

// One Role's log lines of the current run, each prefixed with its kind digit.
struct RoleLog {
  int roleNo = 0;
  std::vector<std::string> lines;
};

// Threads. While a job has a run (its controller exists and may have Role threads), its
// Roles and the main thread share some fields; each is guarded by one of the run's locks
// (JobStorage of engine/storage/job_storage.h: the record lock and the progress lock):
//
//   field                          written by                      guard
//   flags, flags2                  Roles and main                  record lock
//   fileSize, fileDate, createTime Roles                           record lock
//   saveDir, fileName              Roles (storage) and main        record lock
//   url, referer, userName,        main                            record lock for the write;
//   password, ftpProxy, httpProxy,                                 the main thread reads them
//   listIndex                                                      without it
//   downloaded, parts (the list    Roles and main (range split,    progress lock
//   and every start, end, inUse)   CtlAssignRange)
//   everything else                main only                       none
//
// A field guarded by a lock is read under it by every thread, the main thread included:
// the main thread reads a running job's shared fields together through readProgress()
// (jobs/job_progress.h), once a second for the list, the queue monitor and the command-line
// progress view, and changes them through changeJob(). A job without a controller has no
// Role: the main thread owns the whole record and needs no lock. A Role ends (its thread is
// joined, or it has sent CtlRoleDone) before its run's locks go away.
struct JobRecord {
  std::string url;
  std::string referer;
  std::string saveDir;
  std::string fileName;
  uint8_t splitCount = 0;
  uint8_t activeRoles = 0;  // runtime
  std::string comment;
  std::vector<std::string> altUrls;
  std::list<PartRange> parts;   // file order; std::list keeps a Role's range pointer valid
  std::list<RoleLog> roleLogs;  // runtime
  uint16_t flags = 0;
  uint16_t flags2 = 0;
  uint8_t ftpProxy = 0;
  uint8_t httpProxy = 0;
  uint8_t option3 = 0;
  uint8_t option4 = 0;
  uint8_t rate = 1;
  int64_t fileSize = -1;
  int64_t downloaded = 0;
  uint16_t category = 0;
  int32_t listIndex = 0;  // runtime
  std::string userName;
  std::string password;
  DateStamp fileDate;
  DateStamp createTime;
  DateStamp completeTime;
  uint32_t elapsedSeconds = 0;
  JobController* controller = nullptr;  // runtime: null, or the live controller whose locks
                                        // guard this record (jobs/job_progress.h)
  JobRecord* next = nullptr;            // runtime: neighbours in the category's list
  JobRecord* prev = nullptr;

  StartMode startMode() const { return static_cast<StartMode>(flags & jobflags::kStartModeMask); }
  void setStartMode(StartMode m) {
    flags = static_cast<uint16_t>((flags & ~jobflags::kStartModeMask) | (m & 3));
  }
  bool sizeKnown() const { return fileSize >= 0; }
  bool resumable() const { return (flags & jobflags::kResumeMask) == jobflags::kResumable; }
  bool notResumable() const { return (flags & jobflags::kResumeMask) == jobflags::kNotResumable; }
};

// Fixed category ids.
inline constexpr uint16_t kCategoryRoot = 0;
inline constexpr uint16_t kCategoryDownload = 1;
inline constexpr uint16_t kCategoryDownloaded = 2;
inline constexpr uint16_t kCategoryDeleted = 3;

struct CategoryRecord {
  std::string name;  // 1 to 256 characters
  std::string saveDir;
  uint16_t id = 0;
  uint16_t storedId = 0;  // id in the file being loaded
  uint8_t kind = 0;
  uint16_t icon = 0;
  JobRecord* firstJob = nullptr;
  CategoryRecord* nextSibling = nullptr;
  CategoryRecord* firstChild = nullptr;
  CategoryRecord* linkBack = nullptr;  // whose nextSibling or firstChild points here
};

// The job's visible state, derived from its fields.
enum class JobState { Running, Complete, Failed, Queued, Scheduled, Stopped };

// Precedence: Running, Complete (unless marked download-again), Failed, Queued,
// Scheduled, Stopped.
JobState jobState(const JobRecord& job);
bool jobComplete(const JobRecord& job);

// Percent complete as the list shows it (truncating 64-bit arithmetic); 0 while the size
// is unknown or 0.
int percentComplete(int64_t downloaded, int64_t fileSize);
int percentComplete(const JobRecord& job);
// "%3d%%".
std::string percentText(int64_t downloaded, int64_t fileSize);
std::string percentText(const JobRecord& job);
// value / 1024 with "KB", or the raw byte count when `byteCount` is set.
std::string sizeText(int64_t bytes, bool byteCount);
// Size and Left cells: empty while the size is unknown.
std::string sizeCell(const JobRecord& job, bool byteCount);
std::string leftCell(const JobRecord& job, bool byteCount);
// "%02d:%02d:%02d".
std::string elapsedText(uint32_t seconds);
// "%d Star".
std::string rateText(uint8_t rate);

// Resets a record to the state of a newly created one (keeps list links).
void resetToNew(JobRecord& job);

}  // namespace fw

#pragma once
// The on-disk side of one running job, held by its job controller for the whole run and
// shared by all the job's Roles: the four job locks, the open target file, the write cache
// and the job's speed history.
//
// Locks and what they guard (field by field, with the writing threads, in
// records/job_record.h and engine/base/role_record.h):
//   recordLock   the JobRecord fields other than `downloaded` and `parts` that a Role reads
//                or writes: flags, flags2, fileSize, fileDate, createTime, saveDir,
//                fileName, and the main thread's writes of url, referer, userName,
//                password, ftpProxy, httpProxy, listIndex; also the controller's UrlParts
//                (RoleJob::target), written back by Role 1 and copied by every Role at its
//                start
//   progressLock `downloaded`, the `parts` list and the start, end and inUse of every
//                PartRange, each Role's `range` pointer and `unstored`: a receive loop
//                reads its range end and advances its start under it, and a split of that
//                range by the controller changes the end under it
//   cacheLock    `cache` (pool, open block, `flushing`), `fileFd`, `writeFailed`, `lost`;
//                never held during a write of cached data
//   speedLock    `speedRing`
// Order when more than one is held: cacheLock, then recordLock, then progressLock. The
// speedLock is never held together with another, nor are the program's own locks
// (ProgramTransfer's budget and speed ring). No lock is held across a request or a log
// line to the controller: those are synchronous messages to the main thread, which may be
// waiting for the same lock and would never answer.
//
// Threads: the Roles of the job and the main thread. The main thread reads the shared job
// fields through readProgress() (jobs/job_progress.h), under recordLock then progressLock.
//
// engine/storage: what a running job keeps on disk and the receive path into it: receive
// buffer, write cache, target file, speed history and bandwidth budget. Uses
// engine/net, engine/base, engine/url, the records and the platform.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/storage/speed_ring.h"
#include "engine/storage/write_cache.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/sync.h"
#include "records/job_record.h"

namespace fw {

// "If destination file exists".
enum class CollisionRule { AutoRename, Stop, Overwrite };

// Settings the storage code needs, copied by the controller when a run starts.
struct StorageOptions {
  int bufferSizeKB = 4096;  // "BufferSize"
  CollisionRule collision = CollisionRule::AutoRename;
  // The default download folder: where an unusable (relative or empty) save directory is
  // moved to. The controller fills it from downloadDir() (platform/paths.h).
  std::string fallbackDir;
};

// A byte range [offset, offset + length) that was counted as received but never reached
// the disk because a write failed.
struct LostExtent {
  int64_t offset = 0;
  int64_t length = 0;
};

struct JobStorage {
  JobStorage(JobRecord& job, const StorageOptions& options, Clock& clock,
             FileSystem& fs = FileSystem::system())
      : job(job), options(options), clock(clock), fs(fs), cache(options.bufferSizeKB, fs) {}
  JobStorage(const JobStorage&) = delete;
  JobStorage& operator=(const JobStorage&) = delete;

  JobRecord& job;
  const StorageOptions options;
  Clock& clock;
  FileSystem& fs;

  Lock recordLock;
  Lock progressLock;
  Lock cacheLock;
  Lock speedLock;

  WriteCache cache;              // cacheLock
  int fileFd = -1;               // cacheLock: the open target, shared by every Role
  bool writeFailed = false;      // cacheLock: a write of received bytes failed in this run
  std::vector<LostExtent> lost;  // cacheLock: what those failures lost, for the controller
  // Set whenever no flush is under way: a Role waiting for the flusher waits on it for at
  // most 10 ms, and is let go as soon as the flush ends.
  Event flushIdle{Event::Reset::Manual, true};
  SpeedRing speedRing;  // speedLock

  // Called (on the calling Role's thread, no lock held) after storage changed the job's
  // fileName (Auto Rename) or saveDir (fallback folder), so the controller can show it.
  std::function<void()> namesChanged;
};

}  // namespace fw

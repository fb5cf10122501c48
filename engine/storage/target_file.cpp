#include "engine/storage/target_file.h"

#include "engine/base/control_codes.h"
#include "engine/storage/target_paths.h"
#include "engine/url/ftp_directory_url.h"

namespace fw {

namespace {

constexpr int kMaxRenameTries = 100000;

// The caller holds the cache lock, and a log line is a synchronous message to the
// controller, whose thread may be waiting for that very lock (a save flushing the cache):
// the lock is let go for the message. Every caller fails (-1) right after.
void logError(JobStorage& s, RoleRecord* role, const char* text) {
  if (!role || !role->channel) return;
  s.cacheLock.unlock();
  role->channel->log(*role, kLogError, text);
  s.cacheLock.lock();
}

// The job fields the decisions read, taken together under the record lock.
struct TargetView {
  std::string saveDir;
  std::string fileName;
  int64_t fileSize = -1;
  bool created = false;
  bool tempExt = false;
};

TargetView viewOf(JobStorage& s) {
  LockGuard g(s.recordLock);
  const JobRecord& j = s.job;
  return {j.saveDir, j.fileName, j.fileSize, j.createTime.isSet(),
          (j.flags & jobflags::kTempExt) != 0};
}

bool completeNow(const JobRecord& j) {
  return (j.flags & jobflags::kComplete) != 0 || (j.fileSize >= 0 && j.downloaded >= j.fileSize);
}

// Gives a new target exactly `size` bytes: an old, longer file of the same name (after
// "Overwrite") loses its tail, and the blocks are reserved so that the download cannot
// run out of disk half-way.
bool sizeNewTarget(FileSystem& fs, int fd, int64_t size) {
  int64_t now = fs.fileLength(fd);
  if (now < 0) return false;
  if (now > size && !fs.setLength(fd, size)) return false;
  return size == 0 || fs.reserve(fd, size);
}

}  // namespace

int openTargetLazily(JobStorage& s, RoleRecord* role) {
  if (s.fileFd >= 0) return 1;
  TargetView v = viewOf(s);
  if (!fileNameUsable(v.fileName)) {
    logError(s, role, "Invalid Save file path!");
    return -1;
  }

  if (v.created) {
    if (!saveDirUsable(v.saveDir)) {
      logError(s, role, "Invalid Save file path!");
      return -1;
    }
    int fd = s.fs.openReadWrite(targetWorkPath(v.saveDir, v.fileName, v.tempExt), true);
    if (fd < 0) return -1;
    s.fileFd = fd;
    return 1;
  }

  if (v.fileSize >= 0) {
    if (!saveDirUsable(v.saveDir)) {
      logError(s, role, "Invalid Save file path!");
      return -1;
    }
    int64_t free = s.fs.freeBytes(v.saveDir);
    if (free >= 0 && free < v.fileSize) {
      logError(s, role, "There is not enough space on the disk.");
      return -1;
    }
  }

  bool namesChanged = false;
  if (!saveDirUsable(v.saveDir) || !s.fs.isDirectory(v.saveDir)) {
    std::string dir = v.saveDir;
    if (!ensureDirectory(s.fs, dir, s.options.fallbackDir)) return -1;
    if (dir != v.saveDir) {
      // Never write relative to the working folder: the job moves to the fallback folder.
      LockGuard g(s.recordLock);
      s.job.saveDir = dir;
      v.saveDir = dir;
      namesChanged = true;
    }
  }

  std::string name = v.fileName;
  auto taken = [&](const std::string& n) {
    return s.fs.exists(targetFullPath(v.saveDir, n)) || s.fs.exists(targetTempPath(v.saveDir, n));
  };
  if (taken(name)) {
    switch (s.options.collision) {
      case CollisionRule::Overwrite:
        break;
      case CollisionRule::Stop:
        logError(s, role, "File exist download stop!");
        return -1;
      case CollisionRule::AutoRename: {
        int n = 1;
        std::string candidate;
        for (; n <= kMaxRenameTries; ++n) {
          candidate = autoRenameName(v.fileName, n);
          if (fileNameUsable(candidate) && !taken(candidate)) break;
        }
        if (n > kMaxRenameTries) return -1;
        name = candidate;
        LockGuard g(s.recordLock);
        s.job.fileName = name;
        namesChanged = true;
        break;
      }
    }
  }

  int fd = s.fs.openReadWrite(targetWorkPath(v.saveDir, name, v.tempExt), true);
  if (fd >= 0) {
    LockGuard g(s.recordLock);
    if (!s.job.createTime.isSet()) s.job.createTime = DateStamp::from(s.clock.localTime());
  }
  if (fd >= 0 && v.fileSize >= 0 && !sizeNewTarget(s.fs, fd, v.fileSize)) {
    s.fs.closeFile(fd);
    fd = -1;
  }
  if (namesChanged && s.namesChanged) s.namesChanged();
  if (fd < 0) return -1;
  s.fileFd = fd;
  return 1;
}

int prepareTarget(JobStorage& s, RoleRecord& role) {
  return openTargetLazily(s, &role);
}

int checkDiskSpace(JobStorage& s) {
  TargetView v = viewOf(s);
  if (v.fileSize <= 0 || v.created) return 1;
  if (!saveDirUsable(v.saveDir)) return -1;
  int64_t free = s.fs.freeBytes(v.saveDir);
  if (free < 0) return 1;
  return free >= v.fileSize ? 1 : 0;
}

int closeTarget(JobStorage& s, RoleRecord* role) {
  LockGuard cache(s.cacheLock);
  bool complete;
  int64_t finalLength;
  {
    LockGuard rec(s.recordLock);
    LockGuard prog(s.progressLock);
    // A directory job is complete without a file; an empty one must not appear for it.
    complete = completeNow(s.job) && !s.writeFailed && !isFtpDirectoryUrl(s.job.url);
    finalLength = s.job.fileSize >= 0 ? s.job.fileSize : s.job.downloaded;
  }
  int result = 1;
  if (complete && s.fileFd < 0 && openTargetLazily(s, role) != 1) result = -1;
  if (s.fileFd >= 0) {
    if (complete && !s.fs.setLength(s.fileFd, finalLength)) result = -1;
    s.fs.closeFile(s.fileFd);
    s.fileFd = -1;
  }
  return result;
}

int renameToFinal(JobStorage& s) {
  TargetView v = viewOf(s);
  if (!v.tempExt) return 0;
  if (!fileNameUsable(v.fileName) || !saveDirUsable(v.saveDir)) return -1;
  return movePath(s.fs, targetTempPath(v.saveDir, v.fileName),
                  targetFullPath(v.saveDir, v.fileName))
             ? 1
             : -1;
}

int deleteJobFile(FileSystem& fs, const JobRecord& job, bool deleteCompleted,
                  bool deleteUncompleted) {
  if (isFtpDirectoryUrl(job.url)) return 0;  // it has no file, whatever it is called
  if (!fileNameUsable(job.fileName) || !saveDirUsable(job.saveDir)) return 0;
  bool complete = (job.flags & jobflags::kComplete) != 0 && job.downloaded >= job.fileSize;
  std::string path;
  if (complete) {
    if (!deleteCompleted) return 0;
    path = targetFullPath(job.saveDir, job.fileName);
  } else {
    if (!deleteUncompleted) return 0;
    path = targetWorkPath(job.saveDir, job.fileName, (job.flags & jobflags::kTempExt) != 0);
  }
  if (!fs.exists(path)) return 0;
  return fs.removeFile(path) ? 1 : -1;
}

int moveJobFile(FileSystem& fs, JobRecord& job, const std::string& newSaveDir) {
  if (isFtpDirectoryUrl(job.url)) return 0;
  if (!fileNameUsable(job.fileName) || !saveDirUsable(job.saveDir) || !saveDirUsable(newSaveDir)) {
    return -1;
  }
  bool complete = (job.flags & jobflags::kComplete) != 0 && job.downloaded >= job.fileSize;
  bool temp = (job.flags & jobflags::kTempExt) != 0;
  std::string from, to;
  if (complete) {
    from = targetFullPath(job.saveDir, job.fileName);
    to = targetFullPath(newSaveDir, job.fileName);
  } else if (temp) {
    from = targetTempPath(job.saveDir, job.fileName);
    to = targetTempPath(newSaveDir, job.fileName);
  } else {
    return 0;
  }
  if (!fs.exists(from)) return 0;
  if (!makeDirectories(fs, newSaveDir, nullptr) || !movePath(fs, from, to)) return -1;
  job.saveDir = newSaveDir;
  return 1;
}

}  // namespace fw

#pragma once
// Small file helpers shared by the stores that two processes (the program and the capture
// host) read and write: an advisory lock on a separate lock file, whole-file reads, atomic
// replacement, and a signature that tells whether a file changed since it was last read.
// Thread safety: any thread; a FileLock object belongs to the thread that made it.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace fw {

// flock() on `lockPath`, held until destruction. The descriptor is opened per lock, so a
// forked child never shares its parent's lock. Blocks until the lock is granted.
class FileLock {
 public:
  enum class Mode { Shared, Exclusive };
  // `create`: create the lock file (mode 0600) when missing; otherwise a missing lock file
  // leaves the object unlocked with error() == ENOENT.
  FileLock(const std::string& lockPath, Mode mode, bool create);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool locked() const { return m_fd >= 0; }
  int error() const { return m_error; }  // errno of the failure, 0 when locked

 private:
  int m_fd = -1;
  int m_error = 0;
};

// Identity and version of a file as stat() sees it. Files replaced by rename() get a new
// inode, and the times and size are compared as well, so a replaced file is noticed.
struct FileSignature {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  int64_t mtimeNs = 0;
  int64_t ctimeNs = 0;
  bool operator==(const FileSignature&) const = default;
};

// Signature of `path`; exists == false when stat() fails (errno says why).
FileSignature fileSignature(const std::string& path);

// Reads the whole file. False with `err` = errno on failure (ENOENT when missing).
bool readFileContents(const std::string& path, std::string& out, int& err);

// Replaces `path` with `data`: a temporary file in the same folder, given `mode`, written,
// fsync'ed and renamed over `path`; the folder is fsync'ed afterwards. On failure the old file is
// untouched, the temporary file removed and `error` (when given) says why.
bool writeFileReplacing(const std::string& path, std::string_view data, mode_t mode,
                        std::string* error = nullptr);

// Folder part of `path` ("." when it has none).
std::string parentDir(const std::string& path);

}  // namespace fw

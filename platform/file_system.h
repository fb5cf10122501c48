#pragma once
// The file services the target-file storage and the job database use: open, positioned
// reads and writes, size reservation, free space, available memory, rename, delete and
// directory creation. Everything goes through a FileSystem so that tests can make any
// call fail (override the one call and forward the rest to SystemFileSystem).

#include <cstdint>
#include <string>

struct iovec;

namespace fw {

// Thread safety: SystemFileSystem keeps no state; every member may be called from any
// thread. A test double must be as thread-safe as the code it is handed to.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens `path` for reading and writing, creating it (mode 0644) when `create` is set and
  // it is missing ("open always"). Returns the descriptor, or -1 with errno set.
  virtual int openReadWrite(const std::string& path, bool create) = 0;
  virtual void closeFile(int fd) = 0;
  // Writes all `size` bytes at `offset`. True on success; false on an error or a write that
  // made no progress (errno set, ENOSPC for a short write).
  virtual bool writeAt(int fd, const void* data, size_t size, int64_t offset) = 0;
  // Writes the `count` pieces one after another from `offset` (pwritev), all or nothing
  // reported as for writeAt.
  virtual bool writeVectorAt(int fd, const struct iovec* pieces, int count, int64_t offset) = 0;
  // Reads up to `size` bytes at `offset`: the count read, 0 at the end, -1 on an error.
  virtual int64_t readAt(int fd, void* data, size_t size, int64_t offset) = 0;
  // Present length of an open file, -1 on an error.
  virtual int64_t fileLength(int fd) = 0;
  // Sets the length of an open file to exactly `size` (cuts or extends). True on success.
  virtual bool setLength(int fd, int64_t size) = 0;
  // Reserves disk blocks for bytes [0, size): posix_fallocate, falling back to setLength
  // where the file system refuses fallocate. Never shortens the file. True on success.
  virtual bool reserve(int fd, int64_t size) = 0;

  // Whether anything (file, folder, link) exists at `path`.
  virtual bool exists(const std::string& path) = 0;
  virtual bool isDirectory(const std::string& path) = 0;
  // Creates one directory level (mode 0755). True when it was created or already existed
  // as a directory.
  virtual bool makeDirectory(const std::string& path) = 0;
  // Renames `from` to `to`. With `replace` false an existing `to` makes it fail, as a move
  // on the original platform did. True on success.
  virtual bool renamePath(const std::string& from, const std::string& to, bool replace) = 0;
  // Deletes a file. True on success.
  virtual bool removeFile(const std::string& path) = 0;

  // Bytes free to an unprivileged user (f_bavail * f_frsize) on the file system that holds
  // `path`, measured at the nearest existing ancestor of `path`. -1 when that cannot be
  // measured (no ancestor exists, statvfs fails).
  virtual int64_t freeBytes(const std::string& path) = 0;
  // MemAvailable of /proc/meminfo in KB; -1 when unknown.
  virtual int64_t availableMemoryKB() = 0;

  // The process-wide real file system.
  static FileSystem& system();
};

class SystemFileSystem : public FileSystem {
 public:
  int openReadWrite(const std::string& path, bool create) override;
  void closeFile(int fd) override;
  bool writeAt(int fd, const void* data, size_t size, int64_t offset) override;
  bool writeVectorAt(int fd, const struct iovec* pieces, int count, int64_t offset) override;
  int64_t readAt(int fd, void* data, size_t size, int64_t offset) override;
  int64_t fileLength(int fd) override;
  bool setLength(int fd, int64_t size) override;
  bool reserve(int fd, int64_t size) override;
  bool exists(const std::string& path) override;
  bool isDirectory(const std::string& path) override;
  bool makeDirectory(const std::string& path) override;
  bool renamePath(const std::string& from, const std::string& to, bool replace) override;
  bool removeFile(const std::string& path) override;
  int64_t freeBytes(const std::string& path) override;
  int64_t availableMemoryKB() override;
};

// Creates `path` and every missing parent ("mkdir -p"). Returns true when the whole path
// exists as a directory afterwards; on failure `deepestExisting` (when given) receives the
// longest prefix of `path` that exists. `path` must be absolute.
bool makeDirectories(FileSystem& fs, const std::string& path, std::string* deepestExisting);

// Moves a file to `to`, which must not exist: a rename, or, across file systems, a copy
// followed by deleting the original (a failed copy removes the partial copy). True on
// success.
bool movePath(FileSystem& fs, const std::string& from, const std::string& to);

// The nearest existing ancestor of `path` (or `path` itself when it exists): "/a/b/c" with
// only "/a" present gives "/a". Empty when `path` is not absolute.
std::string nearestExistingAncestor(FileSystem& fs, const std::string& path);

}  // namespace fw

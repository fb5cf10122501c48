#include "platform/file_system.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace fw {

namespace {
constexpr size_t kMaxPieces = 1024;  // UIO_MAXIOV
}  // namespace

FileSystem& FileSystem::system() {
  static SystemFileSystem fs;
  return fs;
}

int SystemFileSystem::openReadWrite(const std::string& path, bool create) {
  int flags = O_RDWR | O_CLOEXEC;
  if (create) flags |= O_CREAT;
  int fd;
  do {
    fd = ::open(path.c_str(), flags, 0644);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

void SystemFileSystem::closeFile(int fd) {
  if (fd >= 0) ::close(fd);
}

bool SystemFileSystem::writeAt(int fd, const void* data, size_t size, int64_t offset) {
  const auto* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    ssize_t n = ::pwrite(fd, p, size, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
    offset += n;
  }
  return true;
}

bool SystemFileSystem::writeVectorAt(int fd, const struct iovec* pieces, int count,
                                     int64_t offset) {
  std::vector<struct iovec> left(pieces, pieces + count);
  size_t first = 0;
  while (first < left.size()) {
    int n = static_cast<int>(std::min<size_t>(left.size() - first, kMaxPieces));
    ssize_t done = ::pwritev(fd, left.data() + first, n, offset);
    if (done < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (done == 0) {
      errno = ENOSPC;
      return false;
    }
    offset += done;
    while (done > 0 && first < left.size()) {
      auto take = static_cast<ssize_t>(std::min<size_t>(left[first].iov_len, done));
      left[first].iov_base = static_cast<uint8_t*>(left[first].iov_base) + take;
      left[first].iov_len -= static_cast<size_t>(take);
      done -= take;
      if (left[first].iov_len == 0) ++first;
    }
  }
  return true;
}

int64_t SystemFileSystem::readAt(int fd, void* data, size_t size, int64_t offset) {
  ssize_t n;
  do {
    n = ::pread(fd, data, size, offset);
  } while (n < 0 && errno == EINTR);
  return n;
}

int64_t SystemFileSystem::fileLength(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return -1;
  return st.st_size;
}

bool SystemFileSystem::setLength(int fd, int64_t size) {
  int rc;
  do {
    rc = ::ftruncate(fd, size);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

bool SystemFileSystem::reserve(int fd, int64_t size) {
  if (size <= 0) return true;
  int rc;
  do {
    rc = ::posix_fallocate(fd, 0, size);
  } while (rc == EINTR);
  if (rc == 0) return true;
  // File systems without block allocation (some network and FUSE ones) still take a
  // plain length change, which is all the writes need.
  if (rc == EOPNOTSUPP || rc == EINVAL || rc == ENOSYS) {
    int64_t now = fileLength(fd);
    if (now < 0) return false;
    return now >= size || setLength(fd, size);
  }
  errno = rc;
  return false;
}

bool SystemFileSystem::exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

bool SystemFileSystem::isDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool SystemFileSystem::makeDirectory(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) == 0) return true;
  return errno == EEXIST && isDirectory(path);
}

bool SystemFileSystem::renamePath(const std::string& from, const std::string& to, bool replace) {
  if (replace) return ::rename(from.c_str(), to.c_str()) == 0;
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without RENAME_NOREPLACE: test first, accepting the small window.
  if (exists(to)) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool SystemFileSystem::removeFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

int64_t SystemFileSystem::freeBytes(const std::string& path) {
  std::string at = nearestExistingAncestor(*this, path);
  if (at.empty()) return -1;
  struct statvfs sv;
  if (::statvfs(at.c_str(), &sv) != 0) return -1;
  return static_cast<int64_t>(sv.f_bavail) * static_cast<int64_t>(sv.f_frsize);
}

int64_t SystemFileSystem::availableMemoryKB() {
  FILE* f = std::fopen("/proc/meminfo", "re");
  if (!f) return -1;
  char line[256];
  int64_t kb = -1;
  while (std::fgets(line, sizeof line, f)) {
    long long v;
    if (std::sscanf(line, "MemAvailable: %lld kB", &v) == 1) {
      kb = v;
      break;
    }
  }
  std::fclose(f);
  return kb;
}

std::string nearestExistingAncestor(FileSystem& fs, const std::string& path) {
  if (path.empty() || path[0] != '/') return {};
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  while (!fs.exists(p)) {
    size_t slash = p.find_last_of('/');
    if (slash == 0 || slash == std::string::npos) return "/";
    p.resize(slash);
  }
  return p;
}

bool makeDirectories(FileSystem& fs, const std::string& path, std::string* deepestExisting) {
  if (path.empty() || path[0] != '/') {
    if (deepestExisting) deepestExisting->clear();
    return false;
  }
  std::string built = "/";
  size_t pos = 1;
  while (pos <= path.size()) {
    size_t slash = path.find('/', pos);
    if (slash == std::string::npos) slash = path.size();
    if (slash > pos) {
      std::string next = built.size() > 1 ? built + "/" : built;
      next.append(path, pos, slash - pos);
      if (!fs.isDirectory(next) && !fs.makeDirectory(next)) {
        if (deepestExisting) *deepestExisting = built;
        return false;
      }
      built = next;
    }
    pos = slash + 1;
  }
  return true;
}

bool movePath(FileSystem& fs, const std::string& from, const std::string& to) {
  if (fs.renamePath(from, to, false)) return true;
  if (errno != EXDEV || fs.exists(to)) return false;
  int in = fs.openReadWrite(from, false);
  if (in < 0) return false;
  int out = fs.openReadWrite(to, true);
  if (out < 0) {
    fs.closeFile(in);
    return false;
  }
  bool ok = true;
  std::vector<uint8_t> chunk(1 << 20);
  for (int64_t pos = 0;;) {
    int64_t n = fs.readAt(in, chunk.data(), chunk.size(), pos);
    if (n == 0) break;
    if (n < 0 || !fs.writeAt(out, chunk.data(), static_cast<size_t>(n), pos)) {
      ok = false;
      break;
    }
    pos += n;
  }
  fs.closeFile(in);
  fs.closeFile(out);
  if (!ok) {
    fs.removeFile(to);
    return false;
  }
  return fs.removeFile(from);
}

}  // namespace fw

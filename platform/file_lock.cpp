#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace fw {

FileLock::FileLock(const std::string& lockPath, Mode mode, bool create) {
  int flags = O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0);
  int fd = ::open(lockPath.c_str(), flags, 0600);
  if (fd < 0) {
    m_error = errno;
    return;
  }
  int op = mode == Mode::Shared ? LOCK_SH : LOCK_EX;
  while (::flock(fd, op) != 0) {
    if (errno == EINTR) continue;
    m_error = errno;
    ::close(fd);
    return;
  }
  m_fd = fd;
}

FileLock::~FileLock() {
  if (m_fd >= 0) ::close(m_fd);  // closing the last descriptor releases the flock
}

FileSignature fileSignature(const std::string& path) {
  FileSignature sig;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return sig;
  sig.exists = true;
  sig.dev = st.st_dev;
  sig.ino = st.st_ino;
  sig.size = st.st_size;
  sig.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  sig.ctimeNs = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return sig;
}

bool readFileContents(const std::string& path, std::string& out, int& err) {
  out.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return false;
  }
  char buf[16384];
  while (true) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  err = 0;
  return true;
}

std::string parentDir(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool writeFileReplacing(const std::string& path, std::string_view data, mode_t mode,
                        std::string* error) {
  auto fail = [&](const std::string& what, int e) {
    if (error) *error = what + ": " + std::strerror(e);
    return false;
  };
  std::string tmpl = path + ".XXXXXX";
  int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd < 0) return fail("cannot create a temporary file beside " + path, errno);
  auto abandon = [&](const std::string& what) {
    int e = errno;
    ::close(fd);
    ::unlink(tmpl.c_str());
    return fail(what, e);
  };
  if (::fchmod(fd, mode) != 0) return abandon("cannot set the mode of " + tmpl);
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return abandon("cannot write " + tmpl);
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) return abandon("cannot flush " + tmpl);
  if (::close(fd) != 0) {
    int e = errno;
    ::unlink(tmpl.c_str());
    return fail("cannot close " + tmpl, e);
  }
  if (::rename(tmpl.c_str(), path.c_str()) != 0) {
    int e = errno;
    ::unlink(tmpl.c_str());
    return fail("cannot rename " + tmpl + " to " + path, e);
  }
  // The rename itself is durable only once the folder is flushed.
  int dfd = ::open(parentDir(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

}  // namespace fw

#include "platform/file_lock.h"

#include "platform/atomic_file.h"

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
  return readWholeFile(path, out, &err) == 1;
}

std::string parentDir(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool writeFileReplacing(const std::string& path, std::string_view data, mode_t mode,
                        std::string* error) {
  AtomicWriteOptions options;
  options.mode = mode;
  options.error = error;
  return writeFileAtomically(path, data, options);
}

}  // namespace fw

#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace fw {
namespace {

std::string folderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool writeAll(int fd, std::string_view data, const AtomicWriteOptions& options) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = options.write ? options.write(fd, data.data() + done, data.size() - done)
                              : ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool writeFileAtomically(const std::string& path, std::string_view data,
                         const AtomicWriteOptions& options) {
  const std::string folder = folderOf(path);
  std::string tmpl = folder + "/." + baseOf(path) + ".XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  auto fail = [&](const std::string& what, int e) {
    if (options.error) *options.error = what + ": " + std::strerror(e ? e : EIO);
    return false;
  };
  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return fail("cannot create a temporary file beside " + path, errno);
  const std::string tmp = name.data();
  auto abandon = [&](const std::string& what, int e) {
    ::unlink(tmp.c_str());
    return fail(what, e);
  };
  if (::fchmod(fd, options.mode) != 0 || !writeAll(fd, data, options) || ::fsync(fd) != 0) {
    int e = errno;
    ::close(fd);
    return abandon("cannot write " + tmp, e);
  }
  if (::close(fd) != 0) return abandon("cannot close " + tmp, errno);
  if (::rename(tmp.c_str(), path.c_str()) != 0) return abandon("cannot replace " + path, errno);
  // The rename itself must survive a crash too.
  int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return true;
}

int readWholeFile(const std::string& path, std::string& out, int* err) {
  out.clear();
  auto fail = [&](int e) {
    if (err) *err = e;
    out.clear();
    return 0;
  };
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return fail(errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    int e = S_ISDIR(st.st_mode) ? EISDIR : (errno ? errno : EINVAL);
    ::close(fd);
    return fail(e);
  }
  out.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int e = errno;
      ::close(fd);
      return fail(e);
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  if (err) *err = 0;
  return 1;
}

}  // namespace fw

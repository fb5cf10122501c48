#include "support/hosts_file.h"

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace fw::test {

bool useOwnHostsFile(const std::string& lines, std::string& why) {
  if (::geteuid() != 0) {
    why = "a hosts file of its own needs root";
    return false;
  }
  char path[] = "/tmp/fw-hosts-XXXXXX";
  int fd = ::mkstemp(path);
  if (fd < 0) {
    why = std::string("mkstemp: ") + std::strerror(errno);
    return false;
  }
  ::close(fd);
  std::ofstream(path) << lines;
  if (::unshare(CLONE_NEWNS) != 0) {
    why = std::string("unshare: ") + std::strerror(errno);
    ::unlink(path);
    return false;
  }
  // Mounts made here must not travel back to the system's namespace.
  ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
  if (::mount(path, "/etc/hosts", nullptr, MS_BIND, nullptr) != 0) {
    why = std::string("bind mount: ") + std::strerror(errno);
    ::unlink(path);
    return false;
  }
  // The mount keeps the file's contents; its name is no longer needed.
  ::unlink(path);
  return true;
}

}  // namespace fw::test

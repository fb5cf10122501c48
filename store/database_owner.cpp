#include "store/database_owner.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>

namespace fw {

namespace {

// "fetchwright-cli 1234\n" -> program and pid; anything malformed leaves them unknown.
DatabaseOwnerInfo parseOwner(std::string_view text) {
  DatabaseOwnerInfo info;
  size_t nl = text.find('\n');
  if (nl == std::string_view::npos) return info;
  text = text.substr(0, nl);
  size_t sp = text.rfind(' ');
  if (sp == std::string_view::npos || sp == 0 || text.size() - sp > 12) return info;
  long pid = 0;
  for (char c : text.substr(sp + 1)) {
    if (c < '0' || c > '9') return info;
    pid = pid * 10 + (c - '0');
  }
  std::string_view program = text.substr(0, sp);
  for (char c : program)
    if (static_cast<unsigned char>(c) < 0x20 || program.size() > 64) return info;
  info.program = std::string(program);
  info.pid = pid;
  return info;
}

DatabaseOwnerInfo readOwner(int fd) {
  char buf[128];
  ssize_t n = ::pread(fd, buf, sizeof buf, 0);
  if (n <= 0) return {};
  return parseOwner(std::string_view(buf, static_cast<size_t>(n)));
}

}  // namespace

std::string databaseLockPath(const std::string& dbPath) {
  std::string path = dbPath;
  size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  char resolved[PATH_MAX];
  if (::realpath(dir.c_str(), resolved)) {
    dir = resolved;
    // A database reached through a link is locked where the file itself lies.
    std::string full = (dir == "/" ? "" : dir) + "/" + name;
    if (::realpath(full.c_str(), resolved)) return std::string(resolved) + ".lock";
    return full + ".lock";
  }
  return path + ".lock";
}

DatabaseOwner::Result DatabaseOwner::acquire(const std::string& dbPath, const std::string& program,
                                             std::unique_ptr<DatabaseOwner>& out,
                                             DatabaseOwnerInfo* holder) {
  out.reset();
  std::string lockPath = databaseLockPath(dbPath);
  int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return Result::Unlockable;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    if (holder) *holder = readOwner(fd);
    ::close(fd);
    return err == EWOULDBLOCK ? Result::Busy : Result::Unlockable;
  }
  std::string who = program + " " + std::to_string(static_cast<long>(::getpid())) + "\n";
  if (::ftruncate(fd, 0) != 0 ||
      ::pwrite(fd, who.data(), who.size(), 0) != static_cast<ssize_t>(who.size())) {
    // The lock holds even when the name cannot be written; others then see "unknown".
  }
  out.reset(new DatabaseOwner(fd, lockPath));
  return Result::Owned;
}

DatabaseOwner::~DatabaseOwner() {
  // Closing the descriptor lets go of the lock.
  if (::ftruncate(m_fd, 0) != 0) {
  }
  ::close(m_fd);
}

std::string databaseBusyText(const std::string& dbPath, const DatabaseOwnerInfo& holder) {
  std::string text = "The job database " + dbPath + " is open in ";
  text += holder.program.empty() ? "another program" : holder.program;
  if (holder.pid > 0) text += " (process " + std::to_string(holder.pid) + ")";
  return text + ".";
}

}  // namespace fw

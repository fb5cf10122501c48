#include "capture/module/hand_off_block.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace fw {

std::string handOffBlockName(const EnvLookup& env) {
  std::string name = "/Velto-" + std::to_string(::geteuid());
  std::string home = env("FETCHWRIGHT_HOME");
  if (home.empty()) return name;
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (char c : home) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return name + "-" + hex;
}

size_t layOutHandOffLines(const std::vector<std::string>& lines, char* block) {
  std::memset(block, 0, kHandOffBlockSize);
  size_t used = 0;
  size_t written = 0;
  for (const std::string& full : lines) {
    std::string line = full.substr(0, full.find('\0'));
    std::replace(line.begin(), line.end(), '\r', ' ');
    std::replace(line.begin(), line.end(), '\n', ' ');
    // The line, its CR LF and the NUL that must stay at the end.
    if (used + line.size() + 2 + 1 > kHandOffBlockSize) break;
    std::memcpy(block + used, line.data(), line.size());
    used += line.size();
    block[used++] = '\r';
    block[used++] = '\n';
    ++written;
  }
  return written;
}

HandOffBlockWriter::HandOffBlockWriter(std::string name) : m_name(std::move(name)) {}

HandOffBlockWriter::~HandOffBlockWriter() {
  close();
}

HandOffBlockWriter::Open HandOffBlockWriter::create() {
  bool foundStale = false;
  Open r = createOnce(foundStale);
  if (r == Open::Busy && foundStale) r = createOnce(foundStale);
  return r;
}

HandOffBlockWriter::Open HandOffBlockWriter::createOnce(bool& foundStale) {
  foundStale = false;
  int fd = ::shm_open(m_name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (errno != EEXIST) return Open::Failed;
    foundStale = removeIfStale();
    return Open::Busy;
  }
  // A writer that finds the block before this lock is taken may take it for stale and
  // remove it; then this delivery is the one dropped, and the name is not ours to remove.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return Open::Busy;
  }
  m_fd = fd;
  if (::ftruncate(fd, kHandOffBlockSize) != 0) {
    close();
    return Open::Failed;
  }
  void* p = ::mmap(nullptr, kHandOffBlockSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (p == MAP_FAILED) {
    close();
    return Open::Failed;
  }
  m_map = static_cast<char*>(p);
  std::memset(m_map, 0, kHandOffBlockSize);
  return Open::Created;
}

bool HandOffBlockWriter::removeIfStale() {
  int fd = ::shm_open(m_name.c_str(), O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) return errno == ENOENT;  // gone meanwhile: worth one more try
  bool removed = false;
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    // Unlocked: its writer has ended without removing it. Only a lock holder removes the
    // name, so check that the name still leads to the object locked here.
    int again = ::shm_open(m_name.c_str(), O_RDONLY | O_CLOEXEC, 0);
    struct stat held {
    }, named{};
    if (again >= 0 && ::fstat(fd, &held) == 0 && ::fstat(again, &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino)
      removed = ::shm_unlink(m_name.c_str()) == 0;
    if (again >= 0) ::close(again);
  }
  ::close(fd);  // releases the lock
  return removed;
}

size_t HandOffBlockWriter::write(const std::vector<std::string>& lines) {
  if (!m_map) return 0;
  return layOutHandOffLines(lines, m_map);
}

void HandOffBlockWriter::close() {
  if (m_map) {
    ::munmap(m_map, kHandOffBlockSize);
    m_map = nullptr;
  }
  if (m_fd >= 0) {
    ::shm_unlink(m_name.c_str());  // still ours: we hold its lock
    ::close(m_fd);
    m_fd = -1;
  }
}

BlockRead readHandOffBlock(std::string& text, const std::string& name) {
  text.clear();
  int fd = ::shm_open(name.c_str(), O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) return errno == ENOENT ? BlockRead::Missing : BlockRead::Failed;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid()) {
    ::close(fd);
    return BlockRead::Failed;
  }
  // Mapping past the object's end would fault on access: map only what it holds.
  size_t size =
      std::min<size_t>(static_cast<size_t>(std::max<off_t>(st.st_size, 0)), kHandOffBlockSize);
  if (size == 0) {
    ::close(fd);
    return BlockRead::Read;
  }
  void* p = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
  ::close(fd);
  if (p == MAP_FAILED) return BlockRead::Failed;
  const char* bytes = static_cast<const char*>(p);
  text.assign(bytes, ::strnlen(bytes, size));
  ::munmap(p, size);
  return BlockRead::Read;
}

}  // namespace fw

#pragma once
// Test doubles for the storage code: a file system whose calls can be made to fail or
// report chosen figures, and a Role channel that records log lines.

#include <atomic>
#include <cerrno>
#include <mutex>
#include <string>
#include <vector>

#include "engine/base/role_record.h"
#include "platform/file_system.h"

namespace fw::test {

// The real file system, except where a test sets a figure or a failure.
// Thread safety: counters and switches are atomic; any thread.
class FaultFileSystem : public SystemFileSystem {
 public:
  // writeAt fails (ENOSPC) once this many writes have succeeded; -1 never.
  std::atomic<int> failWritesAfter{-1};
  std::atomic<int> writes{0};
  std::atomic<int> opens{0};
  std::atomic<bool> failOpen{false};
  std::atomic<int64_t> free{-2};      // -2: ask the real file system
  std::atomic<int64_t> memoryKB{-2};  // -2: ask the real file system

  int openReadWrite(const std::string& path, bool create) override {
    ++opens;
    if (failOpen) {
      errno = EACCES;
      return -1;
    }
    return SystemFileSystem::openReadWrite(path, create);
  }
  bool writeAt(int fd, const void* data, size_t size, int64_t offset) override {
    int limit = failWritesAfter.load();
    if (limit >= 0 && writes.load() >= limit) {
      errno = ENOSPC;
      return false;
    }
    ++writes;
    return SystemFileSystem::writeAt(fd, data, size, offset);
  }
  bool writeVectorAt(int fd, const struct iovec* pieces, int count, int64_t offset) override {
    int limit = failWritesAfter.load();
    if (limit >= 0 && writes.load() >= limit) {
      errno = ENOSPC;
      return false;
    }
    ++writes;
    return SystemFileSystem::writeVectorAt(fd, pieces, count, offset);
  }
  int64_t freeBytes(const std::string& path) override {
    int64_t f = free.load();
    return f == -2 ? SystemFileSystem::freeBytes(path) : f;
  }
  int64_t availableMemoryKB() override {
    int64_t m = memoryKB.load();
    return m == -2 ? SystemFileSystem::availableMemoryKB() : m;
  }
};

// Records every log line; answers every control request with `answer`.
class RecordingChannel : public RoleChannel {
 public:
  intptr_t control(RoleRecord&, uint32_t, intptr_t) override { return answer; }
  void log(RoleRecord&, int kind, const std::string& text) override {
    std::lock_guard<std::mutex> g(m_mutex);
    lines.push_back(std::to_string(kind) + text);
  }
  std::vector<std::string> snapshot() {
    std::lock_guard<std::mutex> g(m_mutex);
    return lines;
  }
  intptr_t answer = 1;
  std::vector<std::string> lines;

 private:
  std::mutex m_mutex;
};

}  // namespace fw::test

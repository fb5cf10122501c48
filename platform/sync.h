#pragma once
// Events and locks shared by the main thread and Role threads.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace fw {

// A Win32-style event on a condition variable. Any thread may call any member.
// Auto-reset: a successful wait consumes the signal, so one set() releases one waiter.
// Manual-reset: stays signalled until reset().
class Event {
 public:
  enum class Reset { Manual, Auto };
  explicit Event(Reset mode = Reset::Auto, bool initiallySet = false);

  void set();
  void reset();
  // Waits up to `timeout` (0 tests without blocking). True when the event was signalled.
  bool wait(std::chrono::milliseconds timeout);
  bool tryWait() { return wait(std::chrono::milliseconds(0)); }
  // Waits without limit.
  void waitForever();
  // Signalled now? Does not consume an auto-reset signal.
  bool isSet() const;

 private:
  const Reset m_mode;
  mutable std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_set;
};

// The lock types of the design (critical sections): plain non-recursive mutexes.
using Lock = std::mutex;
using LockGuard = std::lock_guard<std::mutex>;
using UniqueLock = std::unique_lock<std::mutex>;

}  // namespace fw

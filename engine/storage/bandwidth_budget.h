#pragma once
// The program-wide bandwidth budget and the other state every Role of every job shares:
// the program's speed history and the shared pause event.

#include <atomic>
#include <cstdint>

#include "engine/storage/speed_ring.h"
#include "platform/sync.h"

namespace fw {

// Bytes all Roles together may still receive in the current second. The queue monitor
// refills it once a second; Roles take from it before each receive.
// Thread safety: any thread; every read-modify-write happens under the budget's own lock.
class BandwidthBudget {
 public:
  // 0 Unlimited, 1 Manual, 2 Automatic.
  void setMode(int mode) { m_mode.store(mode); }
  int mode() const { return m_mode.load(); }
  bool limited() const { return mode() != 0; }

  // The queue monitor's tick: the budget becomes `bytesPerSecond` (what was left is dropped).
  void refill(int64_t bytesPerSecond);
  // Takes min(want, budget) out of the budget and returns it; 0 when the budget is spent.
  // `refill`, when given, receives the number of the refill taken from.
  int take(int want, uint64_t* refill = nullptr);
  // Puts `n` bytes taken and not used back, as long as the budget has not been refilled
  // since they were taken (a refill starts a new second: old bytes do not carry over).
  void giveBack(int n, uint64_t refill);
  int64_t remaining() const;

 private:
  std::atomic<int> m_mode{0};
  mutable Lock m_lock;
  int64_t m_budget = 0;
  uint64_t m_refills = 0;
};

struct ProgramTransfer {
  BandwidthBudget budget;
  Lock speedLock;
  SpeedRing speedRing;  // speedLock: the bytes of every job together
  // Never set: waits on it are timed pauses that go through the waiter's clock (the 10 ms
  // wait for a flusher, the 200 ms wait for budget, the pacing pause).
  Event sharedWait{Event::Reset::Manual, false};
};

}  // namespace fw

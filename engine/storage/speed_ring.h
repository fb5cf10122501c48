#pragma once
// A speed history: 64 slots of (bytes, time). Receive loops add what they read; the job
// controller's and the queue monitor's one-second ticks sum the recent slots.

#include <array>
#include <cstddef>
#include <cstdint>

namespace fw {

struct SpeedSlot {
  int64_t bytes = 0;
  int64_t ms = 0;  // monotonic milliseconds of the slot's first bytes; 0 = never used
};

// Not thread-safe: each ring is guarded by the lock of its owner (the job's speed lock, or
// the program-wide speed lock).
struct SpeedRing {
  std::array<SpeedSlot, 64> slots{};
  int index = 0;

  // Bytes read within 100 ms of the current slot's time join it; otherwise the ring
  // advances and the next slot starts with (bytes, nowMs).
  void add(int64_t bytes, int64_t nowMs);
  // Bytes of the slots stamped within the last `windowMs` up to `nowMs`.
  int64_t sumSince(int64_t nowMs, int64_t windowMs) const;
};

}  // namespace fw

#include "engine/storage/speed_ring.h"

namespace fw {

void SpeedRing::add(int64_t bytes, int64_t nowMs) {
  SpeedSlot& cur = slots[static_cast<std::size_t>(index)];
  if (cur.ms != 0 && nowMs - cur.ms <= 100) {
    cur.bytes += bytes;
    return;
  }
  index = (index + 1) % static_cast<int>(slots.size());
  slots[static_cast<std::size_t>(index)] = SpeedSlot{bytes, nowMs};
}

int64_t SpeedRing::sumSince(int64_t nowMs, int64_t windowMs) const {
  int64_t sum = 0;
  for (const SpeedSlot& s : slots) {
    if (s.ms != 0 && s.ms <= nowMs && nowMs - s.ms < windowMs) sum += s.bytes;
  }
  return sum;
}

}  // namespace fw

#pragma once
// A clock for tests: time moves only when a test advances it or when a waiting
// thread's wait runs out, so a 90-second time-out takes microseconds.

#include <atomic>
#include <mutex>

#include "platform/clock.h"

namespace fw {

// Thread safety: any thread.
class FakeClock final : public Clock {
 public:
  // Starts at `epochSeconds` UTC; local time equals UTC shifted by `utcOffsetSeconds`.
  explicit FakeClock(int64_t epochSeconds = 1700000000, int utcOffsetSeconds = 0);

  int64_t wallSeconds() const override;
  CalendarTime localTime() const override;
  CalendarTime utcTime() const override;
  int64_t monotonicMs() const override;

  // Event already set: consumed, true. Otherwise the time advances by `ms` and the
  // result is false; the calling thread yields so that other threads make progress.
  bool waitEvent(Event& ev, int ms) override;
  void sleepMs(int ms) override;

  void advanceMs(int64_t ms);
  void setWallSeconds(int64_t epochSeconds);

 private:
  std::atomic<int64_t> m_ms;  // milliseconds since the epoch
  const int m_utcOffset;
};

}  // namespace fw

#pragma once
// Time as the program sees it. Everything that reads the time or waits takes a
// Clock&, so tests substitute FakeClock (platform/fake_clock.h) and never sleep.

#include <cstdint>

#include "platform/sync.h"

namespace fw {

// Broken-down calendar time. weekday: 0 = Sunday ... 6 = Saturday.
struct CalendarTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, weekday = 0;
};

// Thread safety: every member may be called from any thread.
class Clock {
 public:
  virtual ~Clock() = default;

  // Seconds since the epoch (UTC).
  virtual int64_t wallSeconds() const = 0;
  virtual CalendarTime localTime() const = 0;
  virtual CalendarTime utcTime() const = 0;
  // Monotonic milliseconds from an arbitrary origin; never goes back.
  virtual int64_t monotonicMs() const = 0;

  // Waits up to `ms` for `ev`; true when it was signalled (an auto-reset event is consumed).
  // A fake clock returns at once, advancing its time by `ms` when the event is not set.
  virtual bool waitEvent(Event& ev, int ms) = 0;
  // Pauses the calling thread for `ms` (a fake clock only advances its time).
  virtual void sleepMs(int ms) = 0;

  // UTC time of day in seconds: hour * 3600 + minute * 60 + second.
  uint32_t utcSecondOfDay() const;
  // Local time of day in seconds.
  uint32_t localSecondOfDay() const;

  // The process-wide real clock.
  static Clock& system();
};

// Result of a sliced wait.
enum class WaitResult { Elapsed, Stopped };

// Waits `totalMs` in slices of `sliceMs` (50, or 49 where a loop says so), testing
// `stop` between slices. Returns Stopped as soon as `stop` is signalled (consuming an
// auto-reset signal), Elapsed when the whole time passed.
WaitResult slicedWait(Clock& clock, Event& stop, int64_t totalMs, int sliceMs = 50);

// True for the real clock, whose time passes while a thread blocks; false for a
// simulated one (FakeClock), whose time moves only when a wait is spent on it.
bool runsInRealTime(Clock& clock);

// The real clock.
class SystemClock final : public Clock {
 public:
  int64_t wallSeconds() const override;
  CalendarTime localTime() const override;
  CalendarTime utcTime() const override;
  int64_t monotonicMs() const override;
  bool waitEvent(Event& ev, int ms) override;
  void sleepMs(int ms) override;
};

}  // namespace fw

#include "platform/fake_clock.h"

#include <ctime>
#include <thread>

namespace fw {

namespace {
CalendarTime breakDown(int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  return CalendarTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                      tm.tm_min,         tm.tm_sec,     tm.tm_wday};
}
}  // namespace

FakeClock::FakeClock(int64_t epochSeconds, int utcOffsetSeconds)
    : m_ms(epochSeconds * 1000), m_utcOffset(utcOffsetSeconds) {}

int64_t FakeClock::wallSeconds() const { return m_ms.load() / 1000; }

CalendarTime FakeClock::localTime() const { return breakDown(wallSeconds() + m_utcOffset); }

CalendarTime FakeClock::utcTime() const { return breakDown(wallSeconds()); }

int64_t FakeClock::monotonicMs() const { return m_ms.load(); }

bool FakeClock::waitEvent(Event& ev, int ms) {
  if (ev.tryWait()) return true;
  if (ms > 0) m_ms.fetch_add(ms);
  std::this_thread::yield();
  return ev.tryWait();
}

void FakeClock::sleepMs(int ms) {
  if (ms > 0) m_ms.fetch_add(ms);
  std::this_thread::yield();
}

void FakeClock::advanceMs(int64_t ms) { m_ms.fetch_add(ms); }

void FakeClock::setWallSeconds(int64_t epochSeconds) { m_ms.store(epochSeconds * 1000); }

}  // namespace fw

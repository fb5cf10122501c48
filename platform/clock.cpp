#include "platform/clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace fw {

namespace {
CalendarTime fromTm(const std::tm& t) {
  return CalendarTime{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                      t.tm_min,         t.tm_sec,     t.tm_wday};
}
}  // namespace

uint32_t Clock::utcSecondOfDay() const {
  CalendarTime t = utcTime();
  return static_cast<uint32_t>(t.hour * 3600 + t.minute * 60 + t.second);
}

uint32_t Clock::localSecondOfDay() const {
  CalendarTime t = localTime();
  return static_cast<uint32_t>(t.hour * 3600 + t.minute * 60 + t.second);
}

bool runsInRealTime(Clock& clock) {
  return dynamic_cast<SystemClock*>(&clock) != nullptr;
}

Clock& Clock::system() {
  static SystemClock clock;
  return clock;
}

WaitResult slicedWait(Clock& clock, Event& stop, int64_t totalMs, int sliceMs) {
  if (sliceMs < 1) sliceMs = 1;
  int64_t left = totalMs;
  // Bounded: every pass consumes at least one millisecond of the total.
  while (left > 0) {
    int slice = static_cast<int>(left < sliceMs ? left : sliceMs);
    if (clock.waitEvent(stop, slice)) return WaitResult::Stopped;
    left -= slice;
  }
  return stop.tryWait() ? WaitResult::Stopped : WaitResult::Elapsed;
}

int64_t SystemClock::wallSeconds() const {
  return static_cast<int64_t>(std::time(nullptr));
}

CalendarTime SystemClock::localTime() const {
  std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  return fromTm(t);
}

CalendarTime SystemClock::utcTime() const {
  std::time_t now = std::time(nullptr);
  std::tm t{};
  gmtime_r(&now, &t);
  return fromTm(t);
}

int64_t SystemClock::monotonicMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool SystemClock::waitEvent(Event& ev, int ms) {
  return ev.wait(std::chrono::milliseconds(ms));
}

void SystemClock::sleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace fw

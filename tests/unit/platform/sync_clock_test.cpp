#include <gtest/gtest.h>

#include <thread>

#include "platform/clock.h"
#include "platform/fake_clock.h"
#include "platform/sync.h"

namespace fw {
namespace {

TEST(Event, AutoResetReleasesOneWaitPerSignal) {
  Event ev(Event::Reset::Auto);
  EXPECT_FALSE(ev.tryWait());
  ev.set();
  EXPECT_TRUE(ev.isSet());
  EXPECT_TRUE(ev.tryWait());
  EXPECT_FALSE(ev.tryWait());
}

TEST(Event, ManualResetStaysSignalledUntilReset) {
  Event ev(Event::Reset::Manual, true);
  EXPECT_TRUE(ev.tryWait());
  EXPECT_TRUE(ev.tryWait());
  ev.reset();
  EXPECT_FALSE(ev.tryWait());
}

TEST(Event, SetFromAnotherThreadWakesTimedWait) {
  Event ev;
  std::thread t([&] { ev.set(); });
  EXPECT_TRUE(ev.wait(std::chrono::seconds(10)));
  t.join();
}

TEST(SlicedWait, FakeClockRunsANinetySecondWaitWithoutSleeping) {
  FakeClock clock;
  Event stop;
  int64_t before = clock.monotonicMs();
  EXPECT_EQ(slicedWait(clock, stop, 90'000), WaitResult::Elapsed);
  EXPECT_EQ(clock.monotonicMs() - before, 90'000);
}

TEST(SlicedWait, StopIsSeenWithinOneSlice) {
  FakeClock clock;
  Event stop;
  stop.set();
  int64_t before = clock.monotonicMs();
  EXPECT_EQ(slicedWait(clock, stop, 90'000, 49), WaitResult::Stopped);
  EXPECT_LE(clock.monotonicMs() - before, 49);
  EXPECT_FALSE(stop.isSet()) << "an auto-reset stop request is consumed by the wait";
}

TEST(FakeClock, CalendarFollowsAdvances) {
  FakeClock clock(0, 3600);  // 1970-01-01 00:00:00 UTC, a Thursday
  CalendarTime utc = clock.utcTime();
  EXPECT_EQ(utc.year, 1970);
  EXPECT_EQ(utc.weekday, 4);
  EXPECT_EQ(clock.localTime().hour, 1);
  clock.advanceMs(3 * 3600 * 1000 + 61 * 1000);
  EXPECT_EQ(clock.utcSecondOfDay(), 3u * 3600 + 61);
  EXPECT_EQ(clock.localSecondOfDay(), 4u * 3600 + 61);
}

}  // namespace
}  // namespace fw

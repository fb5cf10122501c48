#include "engine/storage/receive_loop.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <thread>

#include "platform/fake_clock.h"
#include "support/storage_fakes.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

// What the source does next: deliver `bytes` (0 = peer closed, -1 = error), or stay silent
// for `idleSlices` waits first.
struct Step {
  int bytes;
  int idleSlices = 0;
  // Readable, yet nothing to hand out (a TLS record not yet whole): readNow finds nothing,
  // a read that waits by itself fails as the TLS read does when stopped (EINTR).
  bool partial = false;
};

class ScriptedSource : public ByteSource {
 public:
  explicit ScriptedSource(std::deque<Step> steps) : m_steps(std::move(steps)) {}
  int waitReadable(int) override {
    ++waits;
    if (m_steps.empty()) return 0;  // silent for ever
    if (m_steps.front().idleSlices > 0) {
      --m_steps.front().idleSlices;
      return 0;
    }
    return 1;
  }
  // Nothing now while the next step is still silent; otherwise as read().
  int readNow(uint8_t* dst, int max, int* error) override {
    ++readsNow;
    if (!m_steps.empty() && m_steps.front().idleSlices > 0) return kReadWouldBlock;
    if (m_steps.empty()) return kReadWouldBlock;
    if (m_steps.front().partial) {
      m_steps.pop_front();
      if (onPartial) onPartial();
      return kReadWouldBlock;
    }
    return read(dst, max, error);
  }
  int read(uint8_t* dst, int max, int* error) override {
    if (onRead) onRead();
    asked.push_back(max);
    Step s = m_steps.front();
    m_steps.pop_front();
    if (s.partial) {
      *error = EINTR;
      return -1;
    }
    if (s.bytes < 0) {
      *error = 104;
      return -1;
    }
    int n = std::min(s.bytes, max);
    for (int i = 0; i < n; ++i) dst[i] = static_cast<uint8_t>(m_next++);
    if (s.bytes > n) m_steps.push_front({s.bytes - n});
    return n;
  }
  int waits = 0;
  int readsNow = 0;
  std::vector<int> asked;
  std::function<void()> onRead;
  std::function<void()> onPartial;

 private:
  std::deque<Step> m_steps;
  uint8_t m_next = 0;
};

class ReceiveLoopTest : public ::testing::Test {
 protected:
  ReceiveLoopTest() {
    job.saveDir = dir.path();
    job.fileName = "r.bin";
  }
  int run(std::deque<Step> steps, int dataOut = 90) {
    source = std::make_unique<ScriptedSource>(std::move(steps));
    buffer.fill = 0;
    buffer.fileOffset = role.range ? role.range->start : job.downloaded;
    ReceiveLoop loop(role, storage, program, clock);
    return loop.run(*source, buffer, dataOut);
  }

  test::TempDir dir{"fwrecv"};
  FakeClock clock;
  JobRecord job;
  StorageOptions options;
  JobStorage storage{job, options, clock};
  ProgramTransfer program;
  RoleRecord role;
  ReceiveBuffer buffer;
  std::unique_ptr<ScriptedSource> source;
};

TEST_F(ReceiveLoopTest, BytesBeyondTheRangeEndAreNotCounted) {
  job.fileSize = 100000;
  job.flags = jobflags::kResumable;
  job.downloaded = 5000;
  PartRange range{1000, 1999, 1};
  role.range = &range;
  EXPECT_EQ(run({{700}, {700}}), 1);
  EXPECT_EQ(role.outcome.load(), 1);
  EXPECT_EQ(buffer.fill, 1000);
  EXPECT_EQ(range.start, 2000);
  EXPECT_EQ(job.downloaded, 6000);
  EXPECT_EQ(job.flags & jobflags::kComplete, 0);  // a range, not the file
}

TEST_F(ReceiveLoopTest, TheRangesLastByteIsFetchedBeforeItCountsAsDone) {
  job.fileSize = 100;
  job.flags = jobflags::kResumable;
  PartRange range{0, 99, 1};
  role.range = &range;
  EXPECT_EQ(run({{99}, {1}}), 1);
  EXPECT_EQ(buffer.fill, 100);
  EXPECT_EQ(range.start, 100);
}

TEST_F(ReceiveLoopTest, EndOfDataCases) {
  struct Case {
    int64_t size;
    std::deque<Step> steps;
    int result;
    int64_t downloaded;
    int64_t sizeAfter;
    bool complete;
  } cases[] = {
      {-1, {{300}, {0}}, 1, 300, 300, true},       // unknown size: the close completes it
      {500, {{300}, {0}}, 0, 300, 500, false},     // closed before the known end
      {500, {{300}, {400}}, 1, 500, 500, true},    // a surplus is not believed
      {500, {{300}, {-1}}, -10, 300, 500, false},  // read error
  };
  for (Case& c : cases) {
    job = JobRecord{};
    job.fileSize = c.size;
    role.range = nullptr;
    role.outcome = 0;
    EXPECT_EQ(run(c.steps), c.result);
    EXPECT_EQ(job.downloaded, c.downloaded);
    EXPECT_EQ(job.fileSize, c.sizeAfter);
    EXPECT_EQ((job.flags & jobflags::kComplete) != 0, c.complete);
    EXPECT_EQ(role.outcome.load(), c.result == 1 ? 1 : 0);
  }
  EXPECT_EQ(role.lastSocketError, 104);
}

TEST_F(ReceiveLoopTest, SilenceEndsAfterDataOutInFiftyMsSlices) {
  EXPECT_EQ(run({}, 30), -9);
  EXPECT_EQ(source->waits, 600);
  // Data that arrives in the last slice still counts.
  EXPECT_EQ(run({{10, 599}, {0}}, 30), 1);
}

// Reads go on without a wait while data is there; a read that finds nothing, or one that
// fell short (the socket's queue ran dry), leads to the next wait.
TEST_F(ReceiveLoopTest, ReadsUntilNothingIsThereBeforeItWaits) {
  const int k = kReceiveBufferSize;
  struct Case {
    const char* name;
    std::deque<Step> steps;
    bool limited;
    int waits;
    int readsNow;  // every read, found something or not
  } cases[] = {
      {"one run of full reads", {{k}, {k}, {k}, {100}, {0}}, false, 2, 5},
      {"a pause in the middle", {{k}, {k, 2}, {k}, {0, 1}}, false, 6, 6},
      {"the limit waits before every read", {{k}, {k}, {k}, {100}, {0}}, true, 5, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    job = JobRecord{};
    role.range = nullptr;
    role.outcome = 0;
    storage.cache.releaseAll();
    program.budget.setMode(c.limited ? 1 : 0);
    program.budget.refill(1 << 20);
    int64_t total = 0;
    for (const Step& st : c.steps) total += st.bytes;
    EXPECT_EQ(run(c.steps), 1);
    EXPECT_EQ(job.downloaded, total);
    EXPECT_EQ(source->waits, c.waits);
    EXPECT_EQ(source->readsNow, c.readsNow);
  }
}

TEST_F(ReceiveLoopTest, AStopBetweenReadsOfARunIsSeenBeforeTheNextRead) {
  source = std::make_unique<ScriptedSource>(
      std::deque<Step>{{kReceiveBufferSize}, {kReceiveBufferSize}, {0}});
  source->onRead = [&] {
    role.outcome = -6;
    role.stopEvent.set();
  };
  ReceiveLoop loop(role, storage, program, clock);
  EXPECT_EQ(loop.run(*source, buffer, 90), -6);
  EXPECT_EQ(source->asked.size(), 1u);
  EXPECT_EQ(job.downloaded, kReceiveBufferSize);
}

// A wait that ends with only part of a TLS record: the loop goes back to its own wait,
// where a stop request is a stop (not a TLS failure) and the budget taken for the read
// that found nothing is given back.
TEST_F(ReceiveLoopTest, AnIncompleteRecordSendsTheLoopBackToItsWait) {
  struct Case {
    const char* name;
    bool stopMeanwhile;
    int result;
  } cases[] = {{"data follows", false, 1}, {"a stop request comes", true, -4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    job = JobRecord{};
    role.outcome = 0;
    program.budget.setMode(1);
    program.budget.refill(100000);
    source = std::make_unique<ScriptedSource>(std::deque<Step>{{0, 0, true}, {500}, {0}});
    source->onPartial = [&] {
      EXPECT_EQ(program.budget.remaining(), 100000 - kReceiveBufferSize);
      if (c.stopMeanwhile) {
        role.outcome = -4;
        role.stopEvent.set();
      }
    };
    buffer.fill = 0;
    ReceiveLoop loop(role, storage, program, clock);
    EXPECT_EQ(loop.run(*source, buffer, 90), c.result);
    // Only whole reads were made: the 500 bytes and the close.
    EXPECT_EQ(source->asked.size(), c.stopMeanwhile ? 0u : 2u);
    EXPECT_EQ(job.downloaded, c.stopMeanwhile ? 0 : 500);
    // The read that found nothing took nothing in the end; the others keep what they
    // took, as before: the room of the buffer each.
    EXPECT_EQ(program.budget.remaining(),
              c.stopMeanwhile ? 100000 : 100000 - kReceiveBufferSize - (kReceiveBufferSize - 500));
  }
  program.budget.setMode(0);
}

TEST(BandwidthBudget, BytesGivenBackCountOnlyInTheSecondTheyWereTakenFrom) {
  BandwidthBudget b;
  b.setMode(1);
  b.refill(1000);
  uint64_t refill = 0;
  EXPECT_EQ(b.take(600, &refill), 600);
  b.giveBack(600, refill);
  EXPECT_EQ(b.remaining(), 1000);
  EXPECT_EQ(b.take(600, &refill), 600);
  b.refill(1000);
  b.giveBack(600, refill);
  EXPECT_EQ(b.remaining(), 1000) << "a new second does not inherit the old one's bytes";
}

TEST_F(ReceiveLoopTest, StopRequestHandsBackTheOutcome) {
  role.outcome = -5;
  role.stopEvent.set();
  EXPECT_EQ(run({{10, 5}}), -5);
  EXPECT_FALSE(role.stopEvent.isSet());
}

TEST_F(ReceiveLoopTest, SplitJobWithoutRangeIsAnError) {
  job.fileSize = 10;
  job.flags = jobflags::kResumable;
  EXPECT_EQ(run({{10}}), -10);
}

TEST_F(ReceiveLoopTest, FullBuffersGoToTheCacheAndRestartAtThePosition) {
  job.fileSize = 40000;
  EXPECT_EQ(run({{16384}, {16384}, {7232}}), 1);
  EXPECT_EQ(storage.cache.blocksInUse(), 2);
  EXPECT_EQ(buffer.fileOffset, 32768);
  EXPECT_EQ(buffer.fill, 7232);
}

TEST_F(ReceiveLoopTest, PacingOfSmallShortReads) {
  ReceiveLoop loop(role, storage, program, clock);
  struct Case {
    int asked, got, ms;
  } cases[] = {{2144, 100, 40}, {2144, 2144, 0}, {2145, 10, 0},
               {1000, 1, 200},  {1000, 999, 6},  {100, 0, 0}};
  for (const Case& c : cases) {
    int64_t before = clock.monotonicMs();
    EXPECT_EQ(loop.pace(c.asked, c.got), c.ms) << c.asked << "/" << c.got;
    EXPECT_EQ(clock.monotonicMs() - before, c.ms);
  }
}

TEST_F(ReceiveLoopTest, SpeedIsSmoothedAndBothHistoriesFill) {
  ReceiveLoop loop(role, storage, program, clock);
  loop.countSpeed(5000);
  EXPECT_EQ(role.speed.load(), 0u);
  clock.advanceMs(1500);
  loop.countSpeed(5000);
  EXPECT_EQ(role.speed.load(), 4000u);  // 10000 / (1.5 + 1)
  clock.advanceMs(1001);
  loop.countSpeed(0);
  EXPECT_EQ(role.speed.load(), 1999u);  // restarts from 4000, not 0: 4000 / 2.001
  int64_t now = clock.monotonicMs();
  EXPECT_EQ(storage.speedRing.sumSince(now, 3000), 10000);
  EXPECT_EQ(program.speedRing.sumSince(now, 3000), 10000);
  EXPECT_EQ(storage.speedRing.sumSince(now, 2000), 5000);
}

// Time moves only when the test says so; a waiting thread blocks until its wait is over.
class SteppedClock final : public Clock {
 public:
  int64_t wallSeconds() const override { return monotonicMs() / 1000; }
  CalendarTime localTime() const override { return {}; }
  CalendarTime utcTime() const override { return {}; }
  int64_t monotonicMs() const override {
    std::lock_guard<std::mutex> g(m_mutex);
    return m_now;
  }
  bool waitEvent(Event& ev, int ms) override {
    std::unique_lock<std::mutex> g(m_mutex);
    int64_t until = m_now + ms;
    ++m_entered;
    m_cv.notify_all();
    m_cv.wait(g, [&] { return m_now >= until; });
    return ev.tryWait();
  }
  void sleepMs(int ms) override {
    Event never;
    waitEvent(never, ms);
  }
  // Advances time, then returns once `waiters` threads have begun a new wait.
  void advanceAndSettle(int64_t ms, int waiters) {
    std::unique_lock<std::mutex> g(m_mutex);
    int64_t target = m_entered + waiters;
    m_now += ms;
    m_cv.notify_all();
    m_cv.wait(g, [&] { return m_entered >= target; });
  }
  void settle(int waiters) {
    std::unique_lock<std::mutex> g(m_mutex);
    m_cv.wait(g, [&] { return m_entered >= waiters; });
  }

 private:
  mutable std::mutex m_mutex;
  std::condition_variable m_cv;
  int64_t m_now = 1;
  int64_t m_entered = 0;
};

TEST(BandwidthBudget, ThreadsTogetherNeverExceedTheBudgetOfASecond) {
  const int threads = 6;
  const int64_t perSecond = 26000;
  const int seconds = 8;
  SteppedClock clock;
  JobRecord job;
  JobStorage storage(job, StorageOptions{}, clock);
  ProgramTransfer program;
  program.budget.setMode(1);
  std::vector<RoleRecord> roles(threads);
  std::atomic<int> second{0};
  std::mutex m;
  std::map<int, int64_t> drawn;  // second -> bytes
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&, t] {
      ReceiveLoop loop(roles[t], storage, program, clock);
      for (;;) {
        int n = loop.takeBudget(kReceiveBufferSize);
        if (n == 0) return;
        EXPECT_LE(n, kReceiveBufferSize);
        std::lock_guard<std::mutex> g(m);
        drawn[second.load()] += n;
      }
    });
  }
  clock.settle(threads);  // the budget starts empty: everybody waits
  for (int s = 1; s <= seconds; ++s) {
    second = s;
    program.budget.refill(perSecond);
    for (int step = 0; step < 5; ++step) clock.advanceAndSettle(kBudgetWaitMs, threads);
  }
  for (RoleRecord& r : roles) r.stopEvent.set();
  clock.advanceAndSettle(kBudgetWaitMs, 0);
  for (auto& th : pool) th.join();

  EXPECT_EQ(drawn.count(0), 0u);
  for (int s = 1; s <= seconds; ++s) EXPECT_EQ(drawn[s], perSecond) << "second " << s;
}

TEST(BandwidthBudget, UnlimitedModeGivesTheWholeRoom) {
  BandwidthBudget b;
  b.refill(10);
  EXPECT_EQ(b.take(100), 10);
  EXPECT_EQ(b.take(100), 0);
  FakeClock clock;
  JobRecord job;
  JobStorage storage(job, StorageOptions{}, clock);
  ProgramTransfer program;
  RoleRecord role;
  ReceiveLoop loop(role, storage, program, clock);
  EXPECT_EQ(loop.takeBudget(16384), 16384);
}

}  // namespace
}  // namespace fw

#include "platform/message_loop.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "platform/fake_clock.h"
#include "platform/sync.h"

namespace fw {
namespace {

using std::chrono::milliseconds;
constexpr auto kDeadline = std::chrono::seconds(5);

struct Delivery {
  uint64_t window;
  MessageId msg;
  WParam wp;
};

// Records every message; answers msg + 2 * wParam so results can be checked per call.
class RecordingWindow : public Window {
 public:
  RecordingWindow(MessageLoop& loop, std::vector<Delivery>* log = nullptr)
      : Window(loop), m_log(log) {}
  LResult handleMessage(MessageId msg, WParam w, LParam) override {
    EXPECT_TRUE(loop().isMainThread());
    ++handled;
    if (m_log) m_log->push_back({id(), msg, w});
    if (onMessage) onMessage(msg, w);
    return static_cast<LResult>(msg + 2 * w);
  }
  std::atomic<int> handled{0};
  std::function<void(MessageId, WParam)> onMessage;

 private:
  std::vector<Delivery>* m_log;
};

bool readable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN);
}

// Serves the loop until `done` is set or the deadline passes; waits on the wake descriptor.
bool pumpUntil(MessageLoop& loop, Event& done) {
  auto end = std::chrono::steady_clock::now() + kDeadline;
  while (!done.isSet()) {
    if (std::chrono::steady_clock::now() > end) return false;
    readable(loop.wakeFd(), 20);
    loop.processPending();
  }
  return true;
}

TEST(MessageLoopSend, ConcurrentSendersEachGetTheirOwnResult) {
  MessageLoop loop;
  RecordingWindow a(loop), b(loop);
  constexpr int kThreads = 4, kCalls = 200;
  std::atomic<int> wrong{0}, finished{0};
  Event allDone(Event::Reset::Manual);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      RecordingWindow& target = t % 2 ? b : a;
      for (int i = 0; i < kCalls; ++i) {
        WParam w = static_cast<WParam>(t * 1000 + i);
        if (loop.send(&target, 0x0BE0, w, 0) != static_cast<LResult>(0x0BE0 + 2 * w)) ++wrong;
      }
      if (++finished == kThreads) allDone.set();
    });
  }
  bool served = pumpUntil(loop, allDone);
  for (auto& t : threads) t.join();
  ASSERT_TRUE(served);
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(a.handled + b.handled, kThreads * kCalls);
}

TEST(MessageLoopSend, OnTheMainThreadCallsTheHandlerAtOnce) {
  MessageLoop loop;
  RecordingWindow w(loop);
  EXPECT_EQ(loop.send(&w, 5, 3), 11);
  EXPECT_EQ(loop.sendTo(w.id(), 5, 4), 13);
  EXPECT_EQ(w.handled, 2);
  EXPECT_EQ(loop.processPending(), 0);
  EXPECT_FALSE(readable(loop.wakeFd(), 0));
}

TEST(MessageLoopPost, KeepsOneOrderAcrossWindowsAndHandlersMayReenter) {
  MessageLoop loop;
  std::vector<Delivery> log;
  RecordingWindow a(loop, &log), b(loop, &log);
  // a's handler for 2 posts to b, serves b's oldest message (11, not its own post), then
  // sends to b directly; its post keeps its place behind 11.
  a.onMessage = [&](MessageId msg, WParam) {
    if (msg != 2) return;
    loop.post(&b, 20);
    EXPECT_TRUE(loop.dispatchOne(&b));
    EXPECT_EQ(loop.send(&b, 21, 1), 23);
  };
  EXPECT_TRUE(loop.post(&a, 1));
  EXPECT_TRUE(loop.postTo(b.id(), 10));
  EXPECT_TRUE(loop.post(&a, 2));
  EXPECT_TRUE(loop.post(&b, 11));
  EXPECT_EQ(loop.processPending(), 4);
  std::vector<std::pair<uint64_t, MessageId>> seen;
  for (const auto& d : log) seen.push_back({d.window, d.msg});
  std::vector<std::pair<uint64_t, MessageId>> expected = {{a.id(), 1},  {b.id(), 10}, {a.id(), 2},
                                                          {b.id(), 11}, {b.id(), 21}, {b.id(), 20}};
  EXPECT_EQ(seen, expected);
}

TEST(MessageLoopPost, AHandlerThatRepostsItselfCannotHoldProcessPending) {
  MessageLoop loop;
  RecordingWindow w(loop);
  w.onMessage = [&](MessageId msg, WParam) { loop.post(&w, msg); };
  loop.post(&w, 1);
  EXPECT_EQ(loop.processPending(), 1);
  EXPECT_TRUE(readable(loop.wakeFd(), 0));
  EXPECT_EQ(loop.processPending(), 1);
}

TEST(MessageLoopWindow, DestroyedWindowDropsItsMessagesAndReleasesItsSender) {
  MessageLoop loop;
  std::vector<Delivery> log;
  auto w = std::make_unique<RecordingWindow>(loop, &log);
  RecordingWindow other(loop, &log);
  uint64_t id = w->id();
  std::atomic<LResult> result{-1};
  Event done(Event::Reset::Manual);
  std::thread sender([&] {
    result = loop.sendTo(id, 7, 7);
    done.set();
  });
  // The wake descriptor turns readable in the same step that queues the send.
  ASSERT_TRUE(readable(loop.wakeFd(), 5000));
  loop.post(w.get(), 1);
  loop.post(&other, 2);
  loop.setTimer(w.get(), 1, 100);
  w.reset();
  EXPECT_TRUE(done.wait(kDeadline));
  sender.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(loop.sendTo(id, 1), 0);
  EXPECT_FALSE(loop.postTo(id, 1));
  EXPECT_EQ(loop.processPending(), 1);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].window, other.id());
  EXPECT_EQ(loop.nextTimerDelayMs(), std::nullopt);
}

// The main thread waits for a worker that is itself blocked in send to a window: serving
// that window's messages while waiting is what keeps the two from deadlocking.
TEST(MessageLoopWindow, DispatchOneServesAWorkerTheMainThreadWaitsFor) {
  MessageLoop loop;
  std::vector<Delivery> log;
  RecordingWindow controller(loop, &log), bystander(loop, &log);
  loop.post(&bystander, 1);
  std::atomic<LResult> result{-1};
  Event finished(Event::Reset::Manual);
  std::thread worker([&] {
    result = loop.send(&controller, 0x0BE0, 4);
    finished.set();
  });
  auto end = std::chrono::steady_clock::now() + kDeadline;
  while (!finished.wait(milliseconds(5)) && std::chrono::steady_clock::now() < end)
    loop.dispatchOne(&controller);
  ASSERT_TRUE(finished.isSet());
  worker.join();
  EXPECT_EQ(result, 0x0BE0 + 8);
  EXPECT_FALSE(loop.dispatchOne(&controller));
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].window, controller.id());
  EXPECT_EQ(loop.processPending(), 1);  // the bystander's post waited its turn
}

TEST(MessageLoopQuit, FromAnotherThreadEndsRunAndReleasesBlockedSenders) {
  MessageLoop loop;
  RecordingWindow w(loop);
  // Bound for a broken cross-thread wake: a main-thread timer ends run() with -1.
  Event running(Event::Reset::Manual);
  w.onMessage = [&](MessageId msg, WParam) {
    if (msg == kMsgTimer) loop.quit(-1);
    running.set();
  };
  loop.setTimer(&w, 1, 5000);
  loop.post(&w, 1);
  std::thread quitter([&] {
    running.wait(kDeadline);
    loop.quit(42);
  });
  EXPECT_EQ(loop.run(), 42);
  quitter.join();
  EXPECT_TRUE(loop.quitRequested());
  EXPECT_EQ(loop.run(), 42);

  // After quit nobody serves senders: they get 0 instead of blocking.
  std::atomic<LResult> late{-1};
  std::thread sender([&] { late = loop.send(&w, 9, 9); });
  sender.join();
  EXPECT_EQ(late, 0);
}

TEST(MessageLoopQuit, ReleasesASenderAlreadyBlocked) {
  MessageLoop loop;
  RecordingWindow w(loop);
  std::atomic<LResult> result{-1};
  std::thread sender([&] { result = loop.send(&w, 9, 9); });
  ASSERT_TRUE(readable(loop.wakeFd(), 5000));
  std::thread quitter([&] { loop.quit(); });
  quitter.join();
  sender.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(w.handled, 0);
}

TEST(MessageLoopTimer, FiresOnTheInjectedClock) {
  FakeClock clock;
  MessageLoop loop(clock);
  std::vector<Delivery> log;
  RecordingWindow a(loop, &log), b(loop, &log);
  loop.setTimer(&a, 1, 1000);
  loop.setTimer(&b, 1, 300);
  loop.setTimer(&a, 2, 0);  // raised to the 10 ms floor instead of spinning
  EXPECT_EQ(loop.nextTimerDelayMs(), 10);
  loop.killTimer(&a, 2);
  EXPECT_EQ(loop.nextTimerDelayMs(), 300);

  struct Step {
    int64_t advanceMs;
    std::vector<std::pair<uint64_t, WParam>> fired;  // in firing order
    std::optional<int64_t> nextDelay;
  };
  const Step steps[] = {
      {299, {}, 1},
      {1, {{b.id(), 1}}, 300},
      {300, {{b.id(), 1}}, 300},
      {400, {{b.id(), 1}, {a.id(), 1}}, 300},   // b late by 100: oldest due first
      {5000, {{b.id(), 1}, {a.id(), 1}}, 300},  // far behind: still one tick each
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.advanceMs);
    log.clear();
    clock.advanceMs(step.advanceMs);
    loop.processPending();
    std::vector<std::pair<uint64_t, WParam>> fired;
    for (const auto& d : log) {
      EXPECT_EQ(d.msg, kMsgTimer);
      fired.push_back({d.window, d.wp});
    }
    EXPECT_EQ(fired, step.fired);
    EXPECT_EQ(loop.nextTimerDelayMs(), step.nextDelay);
  }

  // Setting an existing timer restarts it; killing stops it for good.
  clock.advanceMs(250);
  loop.setTimer(&b, 1, 1000);
  loop.killTimer(&a, 1);
  log.clear();
  clock.advanceMs(999);
  EXPECT_EQ(loop.processPending(), 0);
  clock.advanceMs(1);
  EXPECT_EQ(loop.processPending(), 1);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].window, b.id());
  loop.killTimer(&b, 1);
  EXPECT_EQ(loop.nextTimerDelayMs(), std::nullopt);
}

TEST(MessageLoopTimer, AHandlerMayKillAnotherTimerDueInTheSameRound) {
  FakeClock clock;
  MessageLoop loop(clock);
  std::vector<Delivery> log;
  RecordingWindow w(loop, &log);
  w.onMessage = [&](MessageId, WParam id) {
    if (id == 1) loop.killTimer(&w, 2);
  };
  loop.setTimer(&w, 1, 100);
  loop.setTimer(&w, 2, 200);
  clock.advanceMs(200);
  EXPECT_EQ(loop.processPending(), 1);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].wp, 1u);
}

class Pipe {
 public:
  Pipe() { EXPECT_EQ(::pipe(fds), 0); }
  ~Pipe() {
    for (int fd : fds)
      if (fd >= 0) ::close(fd);
  }
  void write() { EXPECT_EQ(::write(fds[1], "x", 1), 1); }
  void drain() {
    char c;
    EXPECT_EQ(::read(fds[0], &c, 1), 1);
  }
  int fds[2];
};

TEST(MessageLoopFd, WatchReplaceUnwatchAndClosedDescriptor) {
  MessageLoop loop;
  Pipe p;
  int first = 0, second = 0;
  short seenEvents = 0;
  loop.watchFd(p.fds[0], POLLIN, [&](int fd, short revents) {
    EXPECT_EQ(fd, p.fds[0]);
    EXPECT_TRUE(loop.isMainThread());
    seenEvents = revents;
    ++first;
    p.drain();
  });
  EXPECT_EQ(loop.processPending(), 0);
  p.write();
  EXPECT_EQ(loop.processPending(), 1);
  EXPECT_EQ(first, 1);
  EXPECT_TRUE(seenEvents & POLLIN);

  loop.watchFd(p.fds[0], POLLIN, [&](int, short) {
    ++second;
    p.drain();
  });
  p.write();
  loop.processPending();
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 1);

  loop.unwatchFd(p.fds[0]);
  p.write();
  EXPECT_EQ(loop.processPending(), 0);
  p.drain();

  // A descriptor closed while watched is reported once as invalid, then forgotten.
  int nval = 0;
  loop.watchFd(p.fds[0], POLLIN, [&](int, short revents) {
    if (revents & POLLNVAL) ++nval;
  });
  ::close(p.fds[0]);
  p.fds[0] = -1;
  EXPECT_EQ(loop.processPending(), 1);
  EXPECT_EQ(loop.processPending(), 0);
  EXPECT_EQ(nval, 1);
}

TEST(MessageLoopExternal, WatchListenerHearsWatchesAsTheyComeAndGo) {
  MessageLoop loop;
  Pipe a, b;
  loop.watchFd(a.fds[0], POLLIN, [](int, short) {});
  std::vector<std::pair<int, short>> heard;
  loop.setWatchListener([&](int fd, short events) { heard.emplace_back(fd, events); });
  // The watch made before the listener is replayed.
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_EQ(heard[0], std::make_pair(a.fds[0], static_cast<short>(POLLIN)));

  loop.watchFd(b.fds[0], POLLIN | POLLOUT, [](int, short) {});
  loop.unwatchFd(a.fds[0]);
  loop.unwatchFd(a.fds[0]);  // not watched any more: nothing to report
  int closedFd = b.fds[0];
  ::close(b.fds[0]);
  b.fds[0] = -1;
  loop.processPending();  // reports the closed descriptor and drops it
  std::vector<std::pair<int, short>> expected = {
      {a.fds[0], POLLIN},
      {closedFd, static_cast<short>(POLLIN | POLLOUT)},
      {a.fds[0], 0},
      {closedFd, 0},
  };
  EXPECT_EQ(heard, expected);

  loop.setWatchListener({});
  loop.watchFd(a.fds[0], POLLIN, [](int, short) {});
  EXPECT_EQ(heard.size(), expected.size());
}

TEST(MessageLoopFd, RunServesAWatchedPipeWritten) {
  MessageLoop loop;
  Pipe p;
  loop.watchFd(p.fds[0], POLLIN, [&](int, short) {
    p.drain();
    loop.quit(7);
  });
  std::thread writer([&] { p.write(); });
  EXPECT_EQ(loop.run(), 7);
  writer.join();
}

TEST(MessageLoopExternal, WakeDescriptorTracksQueuedWork) {
  FakeClock clock;
  MessageLoop loop(clock);
  RecordingWindow w(loop);
  EXPECT_FALSE(readable(loop.wakeFd(), 0));
  EXPECT_EQ(loop.nextTimerDelayMs(), std::nullopt);
  std::thread poster([&] { EXPECT_TRUE(loop.post(&w, 3)); });
  poster.join();
  EXPECT_TRUE(readable(loop.wakeFd(), 0));
  EXPECT_EQ(loop.processPending(), 1);
  EXPECT_FALSE(readable(loop.wakeFd(), 0));
  EXPECT_EQ(w.handled, 1);
  loop.wakeUp();
  EXPECT_TRUE(readable(loop.wakeFd(), 0));
  EXPECT_EQ(loop.processPending(), 0);
  EXPECT_FALSE(readable(loop.wakeFd(), 0));

  loop.setTimer(&w, 4, 40);
  clock.advanceMs(15);
  EXPECT_EQ(loop.nextTimerDelayMs(), 25);
  clock.advanceMs(100);
  EXPECT_EQ(loop.nextTimerDelayMs(), 0);
  EXPECT_EQ(loop.processPending(), 1);
}

}  // namespace
}  // namespace fw

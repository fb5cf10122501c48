#pragma once
// The program's one message loop, on the main thread. A "window" is an object with a
// message handler; other threads talk to it with send (blocking) and post (queued).
// Message numbers and command codes keep the values of the original design
// (0x0BE0 control, 0x0BDC log line, 0x0BE3 host look-up answer, ...).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/clock.h"

namespace fw {

using MessageId = uint32_t;
using WParam = uintptr_t;
using LParam = intptr_t;
using LResult = intptr_t;

// Timer expiries arrive as this message with wParam = the timer id.
inline constexpr MessageId kMsgTimer = 0x0113;

class MessageLoop;

// Base of every window. Construction registers it with the loop and destruction
// unregisters it: messages still queued for it are dropped, its timers are killed and a
// thread blocked in send() to it gets 0. Construct and destroy on the main thread, and
// destroy every window before its loop. A derived destructor must not pump messages
// (the handler is already gone by then).
class Window {
 public:
  explicit Window(MessageLoop& loop);
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Runs on the main thread only.
  virtual LResult handleMessage(MessageId msg, WParam w, LParam l) = 0;

  MessageLoop& loop() const { return m_loop; }
  // Stable id of this window, never reused in a process.
  uint64_t id() const { return m_id; }

 private:
  MessageLoop& m_loop;
  uint64_t m_id;
};

// Thread safety: send, post, wakeUp and quit may be called from any thread; the rest
// from the main thread only (the thread that constructed the loop). Handlers run on the
// main thread with no lock held, so they may send, post, dispatchOne and processPending.
class MessageLoop {
 public:
  explicit MessageLoop(Clock& clock = Clock::system());
  ~MessageLoop();
  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;

  // On the main thread: calls the handler at once. From another thread: queues the
  // message and blocks until the main thread has handled it, then returns the handler's
  // result. Returns 0 when the window is gone or the loop is shutting down. A send from
  // another thread after quit() returns 0 at once; senders still blocked at quit() or at
  // the loop's destruction are released with 0.
  LResult send(Window* w, MessageId msg, WParam wp = 0, LParam lp = 0);
  // Same, addressed by window id, for callers that may outlive the window.
  LResult sendTo(uint64_t windowId, MessageId msg, WParam wp = 0, LParam lp = 0);

  // Queues the message for the main thread; false when the window is gone.
  bool post(Window* w, MessageId msg, WParam wp = 0, LParam lp = 0);
  bool postTo(uint64_t windowId, MessageId msg, WParam wp = 0, LParam lp = 0);

  // Per-window timers: (window, id) fires kMsgTimer every `intervalMs`; setting an
  // existing timer again restarts it with the new interval. Intervals below 10 ms are
  // raised to 10 ms. A late loop delivers one expiry, not one per missed interval; the
  // next one is due a full interval after it. Unknown windows are ignored.
  void setTimer(Window* w, int timerId, int intervalMs);
  void killTimer(Window* w, int timerId);

  // Watches a descriptor for poll(2) `events`; the callback runs on the main thread
  // with the returned events. Watching an fd again replaces its callback. A descriptor
  // poll(2) reports invalid (POLLNVAL: closed while watched) is reported once and then
  // unwatched, so it cannot keep the loop spinning.
  void watchFd(int fd, short events, std::function<void(int fd, short revents)> callback);
  void unwatchFd(int fd);

  // For a main thread that waits for a worker: handles one pending message addressed
  // to `w` (a queued send or post), if any. True when one was handled.
  bool dispatchOne(Window* w);

  // Runs until quit(); returns quit's code (the first one given). Bounded by nothing but
  // quit. Once quit was requested the request stays: run() returns at once.
  int run();
  void quit(int code = 0);
  bool quitRequested() const;

  // External driving (a Qt loop): wakeFd() turns readable when work is queued;
  // nextTimerDelayMs() is the delay until the next timer (nullopt: none);
  // processPending() handles queued messages, due timers and ready descriptors without
  // blocking. It handles at most as many messages as were queued on entry, so a handler
  // that keeps posting cannot hold it; the wake descriptor stays readable for the rest.
  // Returns the number of things handled. wakeUp() makes wakeFd() readable (any thread).
  int wakeFd() const;
  void wakeUp();
  // Watched descriptors for an external driver: the listener hears every watch as it is
  // made (`events` as given to watchFd) and every end of one (`events` 0: unwatched, or
  // dropped after POLLNVAL), starting with a replay of the watches that exist. An empty
  // listener stops the reports. The driver waits on them and calls processPending().
  using WatchListener = std::function<void(int fd, short events)>;
  void setWatchListener(WatchListener listener);
  std::optional<int64_t> nextTimerDelayMs() const;
  int processPending();

  bool isMainThread() const;
  Clock& clock() const;

 private:
  friend class Window;
  uint64_t attach(Window* w);
  void detach(Window* w);

  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

}  // namespace fw

#include "platform/message_loop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace fw {

namespace {

// Ids are process-wide so that an id held by a worker can never name a later window.
std::atomic<uint64_t> g_nextWindowId{1};

constexpr int64_t kMinTimerIntervalMs = 10;

struct SendSlot {
  bool done = false;
  LResult result = 0;
};

struct Queued {
  uint64_t windowId;
  MessageId msg;
  WParam wp;
  LParam lp;
  std::shared_ptr<SendSlot> slot;  // null for a posted message
};

// Everything another thread may touch. Blocked senders hold their own reference, so the
// state (and the wake descriptor) outlives the loop object until the last of them wakes.
struct LoopShared {
  std::mutex mutex;
  std::condition_variable sendDone;
  std::deque<Queued> queue;
  std::unordered_map<uint64_t, Window*> byId;
  std::unordered_map<const Window*, uint64_t> byPointer;
  bool quit = false;
  int quitCode = 0;
  bool closed = false;
  int wakeFd = -1;

  LoopShared() {
    wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) {
      // Without its wake descriptor the program cannot run at all.
      std::perror("fetchwright: eventfd");
      std::abort();
    }
  }
  ~LoopShared() { ::close(wakeFd); }

  // Written under the mutex so that it can never race with the descriptor's close.
  void signalLocked() {
    uint64_t one = 1;
    ssize_t n = ::write(wakeFd, &one, sizeof one);
    (void)n;  // EAGAIN only when the counter is saturated: it is readable already
  }

  void drainWake() {
    uint64_t value;
    while (::read(wakeFd, &value, sizeof value) > 0) {
    }
  }

  void completeLocked(SendSlot& slot, LResult result) {
    slot.result = result;
    slot.done = true;
  }

  // Releases every queued send with 0; keep posted messages when `keepPosts`.
  void releaseSendsLocked(bool keepPosts) {
    bool any = false;
    for (auto it = queue.begin(); it != queue.end();) {
      if (it->slot) {
        completeLocked(*it->slot, 0);
        any = true;
        it = queue.erase(it);
      } else if (!keepPosts) {
        it = queue.erase(it);
      } else {
        ++it;
      }
    }
    if (any) sendDone.notify_all();
  }

  uint64_t idOfLocked(const Window* w) const {
    auto it = byPointer.find(w);
    return it == byPointer.end() ? 0 : it->second;
  }
  Window* windowOfLocked(uint64_t id) const {
    auto it = byId.find(id);
    return it == byId.end() ? nullptr : it->second;
  }
};

}  // namespace

struct MessageLoop::Impl {
  struct Timer {
    int64_t intervalMs;
    int64_t dueMs;
  };
  struct Watch {
    short events;
    uint64_t generation;
    std::shared_ptr<std::function<void(int, short)>> callback;
  };

  Impl(Clock& c) : clock(c), mainThread(std::this_thread::get_id()) {}

  Clock& clock;
  const std::thread::id mainThread;
  std::shared_ptr<LoopShared> shared = std::make_shared<LoopShared>();
  // Main thread only: timers keyed by (window id, timer id), watched descriptors.
  std::map<std::pair<uint64_t, int>, Timer> timers;
  std::map<int, Watch> watches;
  MessageLoop::WatchListener watchListener;
  uint64_t nextWatchGeneration = 1;

  uint64_t idOf(const Window* w) {
    std::lock_guard<std::mutex> lock(shared->mutex);
    return shared->idOfLocked(w);
  }
  Window* lookup(uint64_t id) {
    std::lock_guard<std::mutex> lock(shared->mutex);
    return shared->windowOfLocked(id);
  }

  // Takes the first queued message (addressed to `onlyWindow` when non-zero) and hands it
  // to its window with the lock released, so the handler may send, post and dispatch.
  bool dispatchNext(uint64_t onlyWindow) {
    LoopShared& s = *shared;
    std::unique_lock<std::mutex> lock(s.mutex);
    auto it = s.queue.begin();
    if (onlyWindow)
      it = std::find_if(s.queue.begin(), s.queue.end(),
                        [&](const Queued& q) { return q.windowId == onlyWindow; });
    if (it == s.queue.end()) return false;
    Queued q = std::move(*it);
    s.queue.erase(it);
    Window* w = s.windowOfLocked(q.windowId);
    lock.unlock();
    LResult r = w ? w->handleMessage(q.msg, q.wp, q.lp) : 0;
    if (q.slot) {
      lock.lock();
      s.completeLocked(*q.slot, r);
      s.sendDone.notify_all();
    }
    return true;
  }

  int fireDueTimers() {
    int64_t now = clock.monotonicMs();
    std::vector<std::pair<int64_t, std::pair<uint64_t, int>>> due;
    for (const auto& [key, t] : timers)
      if (t.dueMs <= now) due.push_back({t.dueMs, key});
    std::sort(due.begin(), due.end());
    int handled = 0;
    for (const auto& entry : due) {
      const auto& key = entry.second;
      auto it = timers.find(key);
      // A handler earlier in this round may have killed, restarted or already fired it.
      if (it == timers.end() || it->second.dueMs > now) continue;
      Window* w = lookup(key.first);
      if (!w) {
        timers.erase(it);
        continue;
      }
      // One expiry however late we are: a slow loop must not see a burst of ticks.
      it->second.dueMs = now + it->second.intervalMs;
      w->handleMessage(kMsgTimer, static_cast<WParam>(key.second), 0);
      ++handled;
    }
    return handled;
  }

  void collectPollFds(std::vector<pollfd>& fds, std::vector<uint64_t>& generations) {
    for (const auto& [fd, watch] : watches) {
      fds.push_back(pollfd{fd, watch.events, 0});
      generations.push_back(watch.generation);
    }
  }

  int serveReadyFds(const std::vector<pollfd>& fds, const std::vector<uint64_t>& generations) {
    int handled = 0;
    for (size_t i = 0; i < fds.size(); ++i) {
      if (!fds[i].revents) continue;
      auto it = watches.find(fds[i].fd);
      // Unwatched or replaced by an earlier callback of this round: that result is stale.
      if (it == watches.end() || it->second.generation != generations[i]) continue;
      auto callback = it->second.callback;
      // A closed descriptor stays invalid for good; reporting it on every pass would spin.
      if (fds[i].revents & POLLNVAL) {
        watches.erase(it);
        if (watchListener) watchListener(fds[i].fd, 0);
      }
      (*callback)(fds[i].fd, fds[i].revents);
      ++handled;
    }
    return handled;
  }

  int pollWatchesNow() {
    if (watches.empty()) return 0;
    std::vector<pollfd> fds;
    std::vector<uint64_t> generations;
    collectPollFds(fds, generations);
    int n;
    do {
      n = ::poll(fds.data(), fds.size(), 0);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return 0;
    return serveReadyFds(fds, generations);
  }
};

// ---- Window ----

Window::Window(MessageLoop& loop) : m_loop(loop), m_id(loop.attach(this)) {}

Window::~Window() {
  m_loop.detach(this);
}

// ---- MessageLoop ----

MessageLoop::MessageLoop(Clock& clock) : m_impl(std::make_unique<Impl>(clock)) {}

MessageLoop::~MessageLoop() {
  LoopShared& s = *m_impl->shared;
  std::lock_guard<std::mutex> lock(s.mutex);
  s.closed = true;
  s.releaseSendsLocked(false);
}

uint64_t MessageLoop::attach(Window* w) {
  uint64_t id = g_nextWindowId.fetch_add(1);
  LoopShared& s = *m_impl->shared;
  std::lock_guard<std::mutex> lock(s.mutex);
  s.byId[id] = w;
  s.byPointer[w] = id;
  return id;
}

void MessageLoop::detach(Window* w) {
  LoopShared& s = *m_impl->shared;
  uint64_t id = 0;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    id = s.idOfLocked(w);
    if (!id) return;
    s.byId.erase(id);
    s.byPointer.erase(w);
    bool released = false;
    for (auto it = s.queue.begin(); it != s.queue.end();) {
      if (it->windowId != id) {
        ++it;
        continue;
      }
      if (it->slot) {
        s.completeLocked(*it->slot, 0);
        released = true;
      }
      it = s.queue.erase(it);
    }
    if (released) s.sendDone.notify_all();
  }
  auto& timers = m_impl->timers;
  timers.erase(timers.lower_bound({id, INT_MIN}), timers.upper_bound({id, INT_MAX}));
}

namespace {

LResult sendQueued(const std::shared_ptr<LoopShared>& shared, uint64_t id, MessageId msg, WParam wp,
                   LParam lp) {
  LoopShared& s = *shared;
  std::unique_lock<std::mutex> lock(s.mutex);
  if (s.closed || s.quit || !s.windowOfLocked(id)) return 0;
  auto slot = std::make_shared<SendSlot>();
  s.queue.push_back(Queued{id, msg, wp, lp, slot});
  s.signalLocked();
  s.sendDone.wait(lock, [&] { return slot->done; });
  return slot->result;
}

bool postQueued(LoopShared& s, uint64_t id, MessageId msg, WParam wp, LParam lp) {
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.closed || !s.windowOfLocked(id)) return false;
  s.queue.push_back(Queued{id, msg, wp, lp, nullptr});
  s.signalLocked();
  return true;
}

}  // namespace

LResult MessageLoop::send(Window* w, MessageId msg, WParam wp, LParam lp) {
  // Resolve through the registry rather than w->id(): the pointer may already be dangling.
  std::shared_ptr<LoopShared> shared = m_impl->shared;
  uint64_t id;
  {
    std::lock_guard<std::mutex> lock(shared->mutex);
    id = shared->idOfLocked(w);
  }
  if (!id) return 0;
  if (isMainThread()) return w->handleMessage(msg, wp, lp);
  return sendQueued(shared, id, msg, wp, lp);
}

LResult MessageLoop::sendTo(uint64_t windowId, MessageId msg, WParam wp, LParam lp) {
  std::shared_ptr<LoopShared> shared = m_impl->shared;
  if (isMainThread()) {
    Window* w = m_impl->lookup(windowId);
    return w ? w->handleMessage(msg, wp, lp) : 0;
  }
  return sendQueued(shared, windowId, msg, wp, lp);
}

bool MessageLoop::post(Window* w, MessageId msg, WParam wp, LParam lp) {
  LoopShared& s = *m_impl->shared;
  uint64_t id;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    id = s.idOfLocked(w);
  }
  return id && postQueued(s, id, msg, wp, lp);
}

bool MessageLoop::postTo(uint64_t windowId, MessageId msg, WParam wp, LParam lp) {
  return postQueued(*m_impl->shared, windowId, msg, wp, lp);
}

void MessageLoop::setTimer(Window* w, int timerId, int intervalMs) {
  uint64_t id = m_impl->idOf(w);
  if (!id) return;
  int64_t interval = std::max<int64_t>(intervalMs, kMinTimerIntervalMs);
  m_impl->timers[{id, timerId}] = Impl::Timer{interval, clock().monotonicMs() + interval};
}

void MessageLoop::killTimer(Window* w, int timerId) {
  if (uint64_t id = m_impl->idOf(w)) m_impl->timers.erase({id, timerId});
}

void MessageLoop::watchFd(int fd, short events, std::function<void(int, short)> callback) {
  if (fd < 0 || !callback) return;
  m_impl->watches[fd] =
      Impl::Watch{events, m_impl->nextWatchGeneration++,
                  std::make_shared<std::function<void(int, short)>>(std::move(callback))};
  if (m_impl->watchListener) m_impl->watchListener(fd, events);
}

void MessageLoop::unwatchFd(int fd) {
  if (m_impl->watches.erase(fd) && m_impl->watchListener) m_impl->watchListener(fd, 0);
}

void MessageLoop::setWatchListener(WatchListener listener) {
  m_impl->watchListener = std::move(listener);
  if (!m_impl->watchListener) return;
  // A copy: the listener may watch or unwatch while it hears the replay.
  std::vector<std::pair<int, short>> now;
  for (const auto& [fd, watch] : m_impl->watches) now.emplace_back(fd, watch.events);
  for (const auto& [fd, events] : now) m_impl->watchListener(fd, events);
}

bool MessageLoop::dispatchOne(Window* w) {
  uint64_t id = m_impl->idOf(w);
  return id && m_impl->dispatchNext(id);
}

int MessageLoop::run() {
  LoopShared& s = *m_impl->shared;
  auto quitCode = [&]() -> std::optional<int> {
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.quit ? std::optional<int>(s.quitCode) : std::nullopt;
  };
  std::vector<pollfd> fds;
  std::vector<uint64_t> generations;
  for (;;) {
    if (auto code = quitCode()) return *code;
    processPending();
    if (auto code = quitCode()) return *code;

    int timeout = -1;
    if (auto delay = nextTimerDelayMs())
      timeout = static_cast<int>(std::min<int64_t>(*delay, INT_MAX));
    fds.assign(1, pollfd{s.wakeFd, POLLIN, 0});
    generations.clear();
    m_impl->collectPollFds(fds, generations);
    // Only waits: the next processPending serves whatever woke it.
    ::poll(fds.data(), fds.size(), timeout);
  }
}

void MessageLoop::quit(int code) {
  LoopShared& s = *m_impl->shared;
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.quit) s.quitCode = code;
  s.quit = true;
  // Nobody will serve a blocked sender once the loop is winding down.
  s.releaseSendsLocked(true);
  s.signalLocked();
}

bool MessageLoop::quitRequested() const {
  std::lock_guard<std::mutex> lock(m_impl->shared->mutex);
  return m_impl->shared->quit;
}

int MessageLoop::wakeFd() const {
  return m_impl->shared->wakeFd;
}

void MessageLoop::wakeUp() {
  LoopShared& s = *m_impl->shared;
  std::lock_guard<std::mutex> lock(s.mutex);
  s.signalLocked();
}

std::optional<int64_t> MessageLoop::nextTimerDelayMs() const {
  if (m_impl->timers.empty()) return std::nullopt;
  int64_t due = INT64_MAX;
  for (const auto& [key, t] : m_impl->timers) due = std::min(due, t.dueMs);
  return std::max<int64_t>(0, due - clock().monotonicMs());
}

int MessageLoop::processPending() {
  LoopShared& s = *m_impl->shared;
  // Drain first: anything queued from here on re-arms the descriptor for the next round.
  s.drainWake();
  size_t queued;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    queued = s.queue.size();
  }
  int handled = 0;
  // At most what was queued on entry, so a handler that posts to itself cannot hold us here.
  for (size_t i = 0; i < queued && m_impl->dispatchNext(0); ++i) ++handled;
  handled += m_impl->fireDueTimers();
  handled += m_impl->pollWatchesNow();
  return handled;
}

bool MessageLoop::isMainThread() const {
  return std::this_thread::get_id() == m_impl->mainThread;
}

Clock& MessageLoop::clock() const {
  return m_impl->clock;
}

}  // namespace fw

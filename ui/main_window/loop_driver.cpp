#include "ui/main_window/loop_driver.h"

#include <poll.h>

#include <algorithm>
#include <climits>

namespace fw {

LoopDriver::LoopDriver(MessageLoop& loop, QObject* parent)
    : QObject(parent), m_loop(loop), m_wake(loop.wakeFd(), QSocketNotifier::Read) {
  m_timer.setSingleShot(true);
  m_timer.setTimerType(Qt::PreciseTimer);
  connect(&m_wake, &QSocketNotifier::activated, this, &LoopDriver::pump);
  connect(&m_timer, &QTimer::timeout, this, &LoopDriver::pump);
  m_loop.setWatchListener([this](int fd, short events) { watch(fd, events); });
  pump();
}

LoopDriver::~LoopDriver() {
  m_loop.setWatchListener({});
}

void LoopDriver::watch(int fd, short events) {
  // A notifier is not deleted from inside its own signal: it is switched off and handed
  // to Qt to delete.
  auto retire = [](std::unique_ptr<QSocketNotifier>& n) {
    if (!n) return;
    n->setEnabled(false);
    n.release()->deleteLater();
  };
  auto it = m_watches.find(fd);
  if (it != m_watches.end()) {
    retire(it->second.read);
    retire(it->second.write);
    m_watches.erase(it);
  }
  if (events == 0) return;
  Watch w;
  if (events & (POLLIN | POLLPRI)) {
    w.read = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(w.read.get(), &QSocketNotifier::activated, this, &LoopDriver::pump);
  }
  if (events & POLLOUT) {
    w.write = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    connect(w.write.get(), &QSocketNotifier::activated, this, &LoopDriver::pump);
  }
  m_watches[fd] = std::move(w);
}

void LoopDriver::pump() {
  // A handler that opens a dialog runs a nested Qt loop, which calls here again: the
  // loop is made for that (its handlers may process pending work), and the Roles'
  // requests must be answered while the dialog is open.
  m_loop.processPending();
  if (auto delay = m_loop.nextTimerDelayMs())
    m_timer.start(static_cast<int>(std::min<int64_t>(*delay, INT_MAX)));
  else
    m_timer.stop();
}

}  // namespace fw

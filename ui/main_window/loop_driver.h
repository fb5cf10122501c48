#pragma once
// Drives the program's message loop (platform/message_loop.h) from Qt's event loop, so
// that the job controllers, the queue monitor's timer and the control socket all run on
// the window thread: the loop's wake descriptor and every descriptor it watches get a
// QSocketNotifier, and its next timer deadline a single-shot QTimer. Each of them runs
// processPending(), after which the timer is set again.
//
// Main (GUI) thread only; construct after the loop and destroy before it.

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <map>
#include <memory>

#include "platform/message_loop.h"

namespace fw {

class LoopDriver : public QObject {
  Q_OBJECT

 public:
  explicit LoopDriver(MessageLoop& loop, QObject* parent = nullptr);
  ~LoopDriver() override;

  // Handles what is due now and sets the timer for the next deadline.
  void pump();

 private:
  void watch(int fd, short events);

  struct Watch {
    std::unique_ptr<QSocketNotifier> read;
    std::unique_ptr<QSocketNotifier> write;
  };

  MessageLoop& m_loop;
  QSocketNotifier m_wake;
  QTimer m_timer;
  std::map<int, Watch> m_watches;
};

}  // namespace fw

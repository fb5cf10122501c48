#pragma once
// What a Role asks of the dial-up manager: is dial-up networking in use, the event
// that is signalled while the line is up, and the manager's dial state.

#include "platform/sync.h"

namespace fw {

// Thread safety: any thread.
class DialLine {
 public:
  virtual ~DialLine() = default;
  // False: Roles never wait for a line (dial-up networking off).
  virtual bool enabled() const = 0;
  // Signalled while the line is up; a manual-reset event owned by the manager.
  virtual Event& lineUpEvent() = 0;
  virtual int dialState() const = 0;
  // A job's run is starting (main thread): a manager that gave up dialling allows a new
  // dial while the line is down.
  virtual void runStarting() {}
};

// Dial-up networking off: the line is always there.
class NoDialLine final : public DialLine {
 public:
  bool enabled() const override { return false; }
  Event& lineUpEvent() override { return m_up; }
  int dialState() const override { return 0; }

 private:
  Event m_up{Event::Reset::Manual, true};
};

}  // namespace fw

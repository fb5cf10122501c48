#pragma once
// Powering the machine off when the queue is done ("Shut Down when done"). The program
// asks through this interface only, so that tests and the command-line program never
// power anything off.
//
// LogindPowerControl asks systemd-logind over the system D-Bus: CanPowerOff, then
// PowerOff with interactive authorisation allowed (the desktop may ask the user for a
// password, which is why its time-out is long).
//
// Threads: main thread only.

#include <string>

#include "platform/dbus_connection.h"

namespace fw {

class PowerControl {
 public:
  virtual ~PowerControl() = default;
  // 1: the system took the request and is shutting down. 0: refused or impossible,
  // with the reason in `why`.
  virtual int powerOff(std::string& why) = 0;
};

class LogindPowerControl final : public PowerControl {
 public:
  // `bus` may be null (no system bus: every request is refused). It must outlive this.
  explicit LogindPowerControl(DbusConnection* bus, int timeoutMs = 30000);
  int powerOff(std::string& why) override;

 private:
  DbusConnection* m_bus;
  int m_timeoutMs;
};

}  // namespace fw

#pragma once
// The program's one connection to the system D-Bus (sd-bus), driven by the main message
// loop: the bus descriptor is watched with the events sd-bus asks for and its next
// time-out is a loop timer, so signals and replies to asynchronous calls are dispatched
// on the main thread like any other message. The dial-up backend and the power-off call
// share it.
//
// The bus address is DBUS_SYSTEM_BUS_ADDRESS when set (tests point it at a private bus),
// else the system bus socket.
//
// Threads: main thread only; an sd-bus connection is not thread-safe.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <systemd/sd-bus.h>

#include "platform/message_loop.h"

namespace fw {

class DbusConnection final : private Window {
 public:
  // Opens the system bus with `callTimeoutMs` as the time-out of every call that does
  // not give its own. nullptr with `error` set when no bus can be reached.
  static std::unique_ptr<DbusConnection> openSystem(MessageLoop& loop, int callTimeoutMs,
                                                    std::string& error);
  ~DbusConnection() override;

  sd_bus* bus() const { return m_bus; }
  // This connection's unique name (":1.42"); empty when the bus never answered.
  std::string uniqueName() const;

  // After a blocking call or anything else that may have queued messages: writes and
  // dispatches them from the loop (never from inside the caller).
  void kick();

  // Dispatches bus messages on the calling (main) thread until `done()` is true or
  // `timeoutMs` passed; true when done. For short bounded waits only (the hang-up).
  bool runUntil(const std::function<bool()>& done, int timeoutMs);

 private:
  DbusConnection(MessageLoop& loop, sd_bus* bus);
  LResult handleMessage(MessageId msg, WParam w, LParam l) override;
  void process();
  void rearm();

  sd_bus* m_bus;
  int m_fd = -1;
  bool m_kickPosted = false;
};

// "name: message" of a D-Bus error, or the local error of `r` (a negative errno).
std::string dbusErrorText(const sd_bus_error* error, int r);

// True when the call failed because no answer came in time.
bool dbusTimedOut(const sd_bus_error* error, int r);

}  // namespace fw

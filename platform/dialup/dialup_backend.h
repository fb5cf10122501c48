#pragma once
// Which dial-up backend the program uses: the simulator when FETCHWRIGHT_DIALUP_SCRIPT
// names a script, else NetworkManager on the system bus.
//
// Main thread.

#include <memory>
#include <string>

#include "platform/dbus_connection.h"
#include "platform/dialup/dialup.h"
#include "platform/message_loop.h"

namespace fw {

// nullptr with `error` set only when the named script cannot be read or parsed. `bus`
// may be null (no system bus); it must outlive the backend.
std::unique_ptr<Dialup> makeDialup(MessageLoop& loop, DbusConnection* bus, std::string& error);

}  // namespace fw

#pragma once
// A private system D-Bus for tests, with python3-dbusmock's "networkmanager" and
// "logind" templates on it: dbus-daemon runs from a short folder under /tmp (socket paths
// are limited to 108 bytes), DBUS_SYSTEM_BUS_ADDRESS points this process at it, and
// stop() (or the destructor) ends the mocks and the bus and restores the variable.
//
// The test drives the mocks through its own bus connection (client()), never through
// the program's.
//
// Thread safety: one owner thread.

#include <cstdint>
#include <string>
#include <vector>

#include <systemd/sd-bus.h>

#include "support/server_process.h"

namespace fw::test {

// Debian's interpreter: python3-dbusmock is installed for it, not for a pyenv one.
inline constexpr const char* kSystemPython = "/usr/bin/python3";

// True when dbus-daemon and the dbusmock module are there.
bool dbusMockAvailable(std::string& missing);

class DbusMockBus {
 public:
  DbusMockBus();
  ~DbusMockBus();
  DbusMockBus(const DbusMockBus&) = delete;
  DbusMockBus& operator=(const DbusMockBus&) = delete;

  // Starts the bus and the mocks and waits (5 s at most) until both names are owned.
  // `logindParameters`: the logind template's JSON parameters ("" for none).
  bool start(const std::string& logindParameters = "");
  void stop();
  const std::string& error() const { return m_error; }
  const std::string& address() const { return m_address; }
  sd_bus* client() const { return m_client; }
  // The mocks' call logs, for failure messages.
  std::string logs() const;

  // Ends the NetworkManager mock, as when the service stops.
  void stopNetworkManager() { m_nm.stop(1000); }

  // NetworkManager side. A connection profile; its object path ("" on failure).
  std::string addProfile(const std::string& id, const std::string& type);
  // An Ethernet-like device named `name` (needed before any deactivation works).
  bool addDevice(const std::string& name);
  // Replaces a method of the NetworkManager mock's object `path` with Python `code`.
  bool addNmMethod(const std::string& path, const std::string& iface, const std::string& name,
                   const std::string& inSig, const std::string& outSig, const std::string& code);
  // NetworkManager's AgentManager, which the template lacks; it only records calls.
  bool addAgentManager();
  // Sets an active connection's State and emits its StateChanged(state, reason).
  bool setActiveState(const std::string& acPath, uint32_t state, uint32_t reason);
  // Emits a device's StateChanged(now, before, reason).
  bool emitDeviceState(const std::string& devPath, uint32_t now, uint32_t before, uint32_t reason);
  // Creates an active connection of `profilePath` on device `device` in `state`.
  std::string addActiveConnection(const std::string& device, const std::string& profilePath,
                                  const std::string& name, uint32_t state);

  // Calls of `method` the mock of `service` recorded on `path`: one entry per call, the
  // first argument rendered as text ("true", a path, ...); one entry "-1" on failure.
  std::vector<std::string> calls(const std::string& service, const std::string& path,
                                 const std::string& method);

 private:
  bool waitForName(const char* name, int timeoutMs);
  bool call(const char* dest, const char* path, const char* iface, const char* member,
            const char* sig, ...);

  std::string m_dir;
  std::string m_address;
  std::string m_error;
  std::string m_savedAddress;
  bool m_hadAddress = false;
  sd_bus* m_client = nullptr;
  ServerProcess m_bus, m_nm, m_logind;
};

}  // namespace fw::test

// Skips (by hand) or fails (in CI) a test when the mock bus cannot run here.
#define FW_REQUIRE_DBUS_MOCK()                                           \
  do {                                                                   \
    std::string missing_;                                                \
    if (!::fw::test::dbusMockAvailable(missing_)) {                      \
      if (::fw::test::runningInCi()) FAIL() << "missing: " << missing_;  \
      GTEST_SKIP() << "missing: " << missing_ << " (install it to run)"; \
    }                                                                    \
  } while (0)

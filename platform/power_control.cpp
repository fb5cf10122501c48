#include "platform/power_control.h"

#include <cstdint>
#include <cstring>

namespace fw {

namespace {

constexpr const char* kLogin = "org.freedesktop.login1";
constexpr const char* kLoginPath = "/org/freedesktop/login1";
constexpr const char* kManagerIface = "org.freedesktop.login1.Manager";

}  // namespace

LogindPowerControl::LogindPowerControl(DbusConnection* bus, int timeoutMs)
    : m_bus(bus), m_timeoutMs(timeoutMs) {}

int LogindPowerControl::powerOff(std::string& why) {
  if (m_bus == nullptr) {
    why = "the system bus cannot be reached";
    return 0;
  }
  sd_bus* b = m_bus->bus();
  sd_bus_error err = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  const char* answer = nullptr;
  int r = sd_bus_call_method(b, kLogin, kLoginPath, kManagerIface, "CanPowerOff", &err, &reply, "");
  if (r >= 0) r = sd_bus_message_read(reply, "s", &answer);
  // "yes" and "challenge" (the user is asked) go ahead; "no" and "na" never would.
  bool allowed = r >= 0 && answer != nullptr &&
                 (std::strcmp(answer, "yes") == 0 || std::strcmp(answer, "challenge") == 0);
  if (r < 0)
    why = "logind cannot be asked: " + dbusErrorText(&err, r);
  else if (!allowed)
    why = std::string("logind does not allow powering off (") + (answer ? answer : "") + ")";
  sd_bus_error_free(&err);
  sd_bus_message_unref(reply);
  if (!allowed) {
    m_bus->kick();
    return 0;
  }
  sd_bus_message* call = nullptr;
  r = sd_bus_message_new_method_call(b, &call, kLogin, kLoginPath, kManagerIface, "PowerOff");
  if (r >= 0) r = sd_bus_message_append(call, "b", 1);
  if (r >= 0) r = sd_bus_call(b, call, static_cast<uint64_t>(m_timeoutMs) * 1000u, &err, nullptr);
  if (r < 0) why = "logind refused to power off: " + dbusErrorText(&err, r);
  sd_bus_error_free(&err);
  sd_bus_message_unref(call);
  m_bus->kick();
  return r < 0 ? 0 : 1;
}

}  // namespace fw

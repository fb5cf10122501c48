#include "platform/dbus_connection.h"

#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace fw {

namespace {

constexpr int kBusTimerId = 1;
constexpr MessageId kMsgKick = 0x0BF0;

uint64_t monotonicUs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000u + static_cast<uint64_t>(ts.tv_nsec) / 1000u;
}

}  // namespace

std::string dbusErrorText(const sd_bus_error* error, int r) {
  if (error != nullptr && sd_bus_error_is_set(error)) {
    std::string text = error->name != nullptr ? error->name : "";
    if (error->message != nullptr) text += std::string(": ") + error->message;
    return text;
  }
  return std::string("local error: ") + std::strerror(r < 0 ? -r : r);
}

bool dbusTimedOut(const sd_bus_error* error, int r) {
  if (error != nullptr && sd_bus_error_has_name(error, SD_BUS_ERROR_TIMEOUT)) return true;
  if (error != nullptr && sd_bus_error_has_name(error, SD_BUS_ERROR_NO_REPLY)) return true;
  return r == -ETIMEDOUT;
}

std::unique_ptr<DbusConnection> DbusConnection::openSystem(MessageLoop& loop, int callTimeoutMs,
                                                           std::string& error) {
  sd_bus* bus = nullptr;
  int r = sd_bus_new(&bus);
  if (r >= 0) {
    const char* address = secure_getenv("DBUS_SYSTEM_BUS_ADDRESS");
    r = sd_bus_set_address(bus, address != nullptr && *address != '\0'
                                    ? address
                                    : "unix:path=/run/dbus/system_bus_socket");
  }
  if (r >= 0) r = sd_bus_set_bus_client(bus, 1);
  if (r >= 0) r = sd_bus_set_method_call_timeout(bus, static_cast<uint64_t>(callTimeoutMs) * 1000u);
  if (r >= 0) r = sd_bus_start(bus);
  if (r < 0) {
    error = std::string("cannot reach the system bus: ") + std::strerror(-r);
    sd_bus_unref(bus);
    return nullptr;
  }
  return std::unique_ptr<DbusConnection>(new DbusConnection(loop, bus));
}

DbusConnection::DbusConnection(MessageLoop& loop, sd_bus* bus) : Window(loop), m_bus(bus) {
  m_fd = sd_bus_get_fd(m_bus);
  rearm();
}

DbusConnection::~DbusConnection() {
  if (m_fd >= 0) loop().unwatchFd(m_fd);
  // Closed without flushing: a peer that stopped reading must not hold the program's exit.
  sd_bus_close_unref(m_bus);
}

std::string DbusConnection::uniqueName() const {
  const char* name = nullptr;
  if (sd_bus_get_unique_name(m_bus, &name) < 0 || name == nullptr) return {};
  return name;
}

void DbusConnection::kick() {
  if (m_kickPosted) return;
  m_kickPosted = loop().post(this, kMsgKick);
}

LResult DbusConnection::handleMessage(MessageId msg, WParam, LParam) {
  if (msg == kMsgKick) m_kickPosted = false;
  if (msg == kMsgKick || msg == kMsgTimer) process();
  return 0;
}

void DbusConnection::process() {
  // Handlers may add work; each round is bounded by what is queued, and a busy bus is
  // left to the next round of the loop instead of holding it.
  for (int i = 0; i < 256; ++i) {
    int r = sd_bus_process(m_bus, nullptr);
    if (r <= 0) break;
  }
  rearm();
}

void DbusConnection::rearm() {
  if (m_fd < 0) return;
  int events = sd_bus_get_events(m_bus);
  if (events < 0) {
    // The connection is closed: nothing more will arrive.
    loop().unwatchFd(m_fd);
    loop().killTimer(this, kBusTimerId);
    m_fd = -1;
    return;
  }
  loop().watchFd(m_fd, static_cast<short>(events), [this](int, short) { process(); });
  uint64_t until = 0;
  if (sd_bus_get_timeout(m_bus, &until) >= 0 && until != UINT64_MAX) {
    uint64_t now = monotonicUs();
    int64_t ms = until <= now ? 0 : static_cast<int64_t>((until - now + 999) / 1000);
    loop().setTimer(this, kBusTimerId, static_cast<int>(std::min<int64_t>(ms, 1 << 30)));
  } else {
    loop().killTimer(this, kBusTimerId);
  }
}

bool DbusConnection::runUntil(const std::function<bool()>& done, int timeoutMs) {
  const uint64_t deadline = monotonicUs() + static_cast<uint64_t>(timeoutMs) * 1000u;
  bool ok = false;
  for (;;) {
    if (done()) {
      ok = true;
      break;
    }
    int r = sd_bus_process(m_bus, nullptr);
    if (r < 0) break;
    if (r > 0) continue;
    uint64_t now = monotonicUs();
    if (now >= deadline) {
      ok = done();
      break;
    }
    r = sd_bus_wait(m_bus, deadline - now);
    if (r < 0 && r != -EINTR) break;
  }
  rearm();
  return ok;
}

}  // namespace fw

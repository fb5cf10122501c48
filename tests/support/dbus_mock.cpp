#include "support/dbus_mock.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdarg>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/temp_dir.h"

namespace fw::test {

namespace {

constexpr const char* kNm = "org.freedesktop.NetworkManager";
constexpr const char* kMockIface = "org.freedesktop.DBus.Mock";
constexpr uint64_t kCallUs = 2'000'000;

bool socketAnswers(const std::string& path) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  if (path.size() >= sizeof a.sun_path) {
    ::close(fd);
    return false;
  }
  std::copy(path.begin(), path.end(), a.sun_path);
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

bool dbusMockAvailable(std::string& missing) {
  if (findBinary("dbus-daemon").empty()) {
    missing = "dbus-daemon (package dbus)";
    return false;
  }
  std::string cmd = std::string(kSystemPython) + " -c 'import dbusmock' >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) {
    missing = "python3-dbusmock";
    return false;
  }
  return true;
}

DbusMockBus::DbusMockBus() = default;

DbusMockBus::~DbusMockBus() {
  stop();
}

bool DbusMockBus::start(const std::string& logindParameters) {
  char pattern[] = "/tmp/fwbus.XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    m_error = "mkdtemp failed";
    return false;
  }
  m_dir = pattern;
  const std::string socketPath = m_dir + "/system_bus_socket";
  m_address = "unix:path=" + socketPath;
  std::ofstream(m_dir + "/bus.conf")
      << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig>\n  <type>system</type>\n  <keep_umask/>\n  <listen>"
      << m_address
      << "</listen>\n  <policy context=\"default\">\n"
         "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
         "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n  </policy>\n</busconfig>\n";
  std::string daemon = findBinary("dbus-daemon");
  if (daemon.empty() || !m_bus.start({daemon, "--nofork", "--config-file=" + m_dir + "/bus.conf"},
                                     m_dir + "/bus.log")) {
    m_error = "dbus-daemon did not start";
    return false;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!socketAnswers(socketPath)) {
    if (std::chrono::steady_clock::now() > deadline || !m_bus.running()) {
      m_error = "the private bus never answered: " + readFileText(m_dir + "/bus.log");
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const char* old = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  m_hadAddress = old != nullptr;
  if (old != nullptr) m_savedAddress = old;
  ::setenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.c_str(), 1);
  if (sd_bus_open_system(&m_client) < 0) {
    m_error = "cannot connect to the private bus";
    return false;
  }
  std::vector<std::string> nm = {kSystemPython,    "-m", "dbusmock",       "--template",
                                 "networkmanager", "-l", m_dir + "/nm.log"};
  std::vector<std::string> logind = {kSystemPython, "-m", "dbusmock",           "--template",
                                     "logind",      "-l", m_dir + "/logind.log"};
  if (!logindParameters.empty()) {
    logind.push_back("-p");
    logind.push_back(logindParameters);
  }
  if (!m_nm.start(nm, m_dir + "/nm.out") || !m_logind.start(logind, m_dir + "/logind.out")) {
    m_error = "the mocks did not start";
    return false;
  }
  if (!waitForName(kNm, 5000) || !waitForName("org.freedesktop.login1", 5000)) {
    m_error = "the mocks never took their names: " + logs();
    return false;
  }
  return true;
}

void DbusMockBus::stop() {
  if (m_client != nullptr) m_client = sd_bus_flush_close_unref(m_client);
  m_nm.stop(1000);
  m_logind.stop(1000);
  m_bus.stop(1000);
  if (!m_dir.empty()) {
    if (m_hadAddress)
      ::setenv("DBUS_SYSTEM_BUS_ADDRESS", m_savedAddress.c_str(), 1);
    else
      ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
    m_dir.clear();
  }
}

std::string DbusMockBus::logs() const {
  std::string out;
  for (const char* f : {"nm.log", "nm.out", "logind.log", "logind.out", "bus.log"})
    out += std::string("--- ") + f + "\n" + readFileText(m_dir + "/" + f);
  return out;
}

bool DbusMockBus::waitForName(const char* name, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    sd_bus_error e = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int has = 0;
    int r = sd_bus_call_method(m_client, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "NameHasOwner", &e, &reply, "s", name);
    if (r >= 0) sd_bus_message_read(reply, "b", &has);
    sd_bus_error_free(&e);
    sd_bus_message_unref(reply);
    if (has) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

bool DbusMockBus::call(const char* dest, const char* path, const char* iface, const char* member,
                       const char* sig, ...) {
  sd_bus_message* m = nullptr;
  sd_bus_error e = SD_BUS_ERROR_NULL;
  int r = sd_bus_message_new_method_call(m_client, &m, dest, path, iface, member);
  if (r >= 0 && sig != nullptr && *sig != '\0') {
    va_list ap;
    va_start(ap, sig);
    r = sd_bus_message_appendv(m, sig, ap);
    va_end(ap);
  }
  if (r >= 0) r = sd_bus_call(m_client, m, kCallUs, &e, nullptr);
  if (r < 0) m_error = std::string(member) + ": " + (e.message != nullptr ? e.message : "failed");
  sd_bus_error_free(&e);
  sd_bus_message_unref(m);
  return r >= 0;
}

std::string DbusMockBus::addProfile(const std::string& id, const std::string& type) {
  sd_bus_message* reply = nullptr;
  sd_bus_error e = SD_BUS_ERROR_NULL;
  int r = sd_bus_call_method(m_client, kNm, "/org/freedesktop/NetworkManager/Settings",
                             "org.freedesktop.NetworkManager.Settings", "AddConnection", &e, &reply,
                             "a{sa{sv}}", 1, "connection", 2, "id", "s", id.c_str(), "type", "s",
                             type.c_str());
  const char* path = nullptr;
  if (r >= 0) r = sd_bus_message_read(reply, "o", &path);
  std::string out = r >= 0 && path != nullptr ? path : "";
  if (out.empty()) m_error = "AddConnection failed";
  sd_bus_error_free(&e);
  sd_bus_message_unref(reply);
  return out;
}

bool DbusMockBus::addDevice(const std::string& name) {
  return call(kNm, "/org/freedesktop", kMockIface, "AddEthernetDevice", "ssi", name.c_str(),
              name.c_str(), 30);
}

bool DbusMockBus::addNmMethod(const std::string& path, const std::string& iface,
                              const std::string& name, const std::string& inSig,
                              const std::string& outSig, const std::string& code) {
  return call(kNm, path.c_str(), kMockIface, "AddMethod", "sssss", iface.c_str(), name.c_str(),
              inSig.c_str(), outSig.c_str(), code.c_str());
}

bool DbusMockBus::addAgentManager() {
  return call(kNm, "/org/freedesktop", kMockIface, "AddObject", "ssa{sv}a(ssss)",
              "/org/freedesktop/NetworkManager/AgentManager",
              "org.freedesktop.NetworkManager.AgentManager", 0, 3, "RegisterWithCapabilities", "su",
              "", "", "Register", "s", "", "", "Unregister", "", "", "");
}

bool DbusMockBus::setActiveState(const std::string& acPath, uint32_t state, uint32_t reason) {
  const char* iface = "org.freedesktop.NetworkManager.Connection.Active";
  return call(kNm, "/org/freedesktop", kMockIface, "SetProperty", "sssv", acPath.c_str(), iface,
              "State", "u", state) &&
         call(kNm, acPath.c_str(), kMockIface, "EmitSignal", "sssav", iface, "StateChanged", "uu",
              2, "u", state, "u", reason);
}

bool DbusMockBus::emitDeviceState(const std::string& devPath, uint32_t now, uint32_t before,
                                  uint32_t reason) {
  return call(kNm, devPath.c_str(), kMockIface, "EmitSignal", "sssav",
              "org.freedesktop.NetworkManager.Device", "StateChanged", "uuu", 3, "u", now, "u",
              before, "u", reason);
}

std::string DbusMockBus::addActiveConnection(const std::string& device,
                                             const std::string& profilePath,
                                             const std::string& name, uint32_t state) {
  std::string dev = "/org/freedesktop/NetworkManager/Devices/" + device;
  sd_bus_message* reply = nullptr;
  sd_bus_error e = SD_BUS_ERROR_NULL;
  int r = sd_bus_call_method(m_client, kNm, "/org/freedesktop", kMockIface, "AddActiveConnection",
                             &e, &reply, "assssu", 1, dev.c_str(), profilePath.c_str(), "/",
                             name.c_str(), state);
  const char* path = nullptr;
  if (r >= 0) r = sd_bus_message_read(reply, "s", &path);
  std::string out = r >= 0 && path != nullptr ? path : "";
  sd_bus_error_free(&e);
  sd_bus_message_unref(reply);
  return out;
}

std::vector<std::string> DbusMockBus::calls(const std::string& service, const std::string& path,
                                            const std::string& method) {
  std::vector<std::string> out;
  sd_bus_message* reply = nullptr;
  sd_bus_error e = SD_BUS_ERROR_NULL;
  int r = sd_bus_call_method(m_client, service.c_str(), path.c_str(), kMockIface, "GetMethodCalls",
                             &e, &reply, "s", method.c_str());
  if (r >= 0) r = sd_bus_message_enter_container(reply, 'a', "(tav)");
  while (r >= 0 && sd_bus_message_enter_container(reply, 'r', "tav") > 0) {
    uint64_t when = 0;
    std::string first;
    sd_bus_message_read(reply, "t", &when);
    if (sd_bus_message_enter_container(reply, 'a', "v") > 0) {
      char kind = 0;
      const char* contents = nullptr;
      if (sd_bus_message_peek_type(reply, &kind, &contents) > 0 && contents != nullptr) {
        if (contents[0] == 'b') {
          int b = 0;
          sd_bus_message_read(reply, "v", "b", &b);
          first = b ? "true" : "false";
        } else if (contents[0] == 's' || contents[0] == 'o') {
          const char* s = nullptr;
          sd_bus_message_read(reply, "v", contents, &s);
          first = s != nullptr ? s : "";
        }
      }
      while (sd_bus_message_skip(reply, "v") > 0) {
      }
      sd_bus_message_exit_container(reply);
    }
    sd_bus_message_exit_container(reply);
    out.push_back(first);
  }
  if (r < 0) out.assign(1, "-1");
  sd_bus_error_free(&e);
  sd_bus_message_unref(reply);
  return out;
}

}  // namespace fw::test

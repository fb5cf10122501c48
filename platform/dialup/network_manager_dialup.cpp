#include "platform/dialup/network_manager_dialup.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fw {

namespace {

constexpr const char* kNm = "org.freedesktop.NetworkManager";
constexpr const char* kNmPath = "/org/freedesktop/NetworkManager";
constexpr const char* kSettingsPath = "/org/freedesktop/NetworkManager/Settings";
constexpr const char* kSettingsIface = "org.freedesktop.NetworkManager.Settings";
constexpr const char* kConnectionIface = "org.freedesktop.NetworkManager.Settings.Connection";
constexpr const char* kAcIface = "org.freedesktop.NetworkManager.Connection.Active";
constexpr const char* kAgentManagerPath = "/org/freedesktop/NetworkManager/AgentManager";
constexpr const char* kAgentManagerIface = "org.freedesktop.NetworkManager.AgentManager";
constexpr const char* kAgentPath = "/org/freedesktop/NetworkManager/SecretAgent";
constexpr const char* kAgentIface = "org.freedesktop.NetworkManager.SecretAgent";
constexpr const char* kAgentId = "fetchwright.dialup";
constexpr const char* kNoSecrets = "org.freedesktop.NetworkManager.SecretAgent.NoSecrets";

constexpr MessageId kMsgDeliver = 0x0BF2;

// Active connection states.
constexpr uint32_t kAcActivating = 1;
constexpr uint32_t kAcActivated = 2;
constexpr uint32_t kAcDeactivating = 3;
constexpr uint32_t kAcDeactivated = 4;

// GetSecrets flag: the secrets given before were refused.
constexpr uint32_t kSecretsRequestNew = 0x2;

uint64_t us(int ms) {
  return static_cast<uint64_t>(ms) * 1000u;
}

// A device's state while its connection activates, as the dial state shown for it.
int dialStateForDevice(uint32_t deviceState) {
  switch (deviceState) {
    case 40:  // prepare
      return kDialStateConnectDevice;
    case 50:  // config
      return kDialStateDeviceConnected;
    case 60:  // need-auth
      return kDialStateAuthenticate;
    case 70:  // ip-config
      return 10;
    case 80:  // ip-check
    case 90:  // secondaries
      return kDialStateAuthenticated;
    default:
      return -1;
  }
}

const char* reasonText(int reason) {
  static constexpr const char* kTexts[] = {
      "The connection failed for an unknown reason.",
      "The connection failed.",
      "The connection was disconnected by the user.",
      "The device was disconnected.",
      "The connection service stopped.",
      "The connection did not get a valid IP configuration.",
      "The connection timed out.",
      "The connection service did not start in time.",
      "The connection service failed to start.",
      "No password was available for the connection.",
      "The login failed: the user name or password was refused.",
      "The connection was removed.",
      "A connection this one depends on failed.",
      "The device could not be set up.",
      "The device was removed.",
  };
  constexpr int count = static_cast<int>(sizeof kTexts / sizeof kTexts[0]);
  return reason >= 0 && reason < count ? kTexts[reason] : nullptr;
}

// Profile types whose activation takes a password from a secret agent, and the setting
// NetworkManager asks for.
bool takesPassword(const std::string& setting) {
  return setting == "pppoe" || setting == "gsm" || setting == "cdma" || setting == "vpn";
}

void wipe(std::string& s) {
  volatile char* p = s.data();
  for (size_t i = 0; i < s.size(); ++i) p[i] = 0;
  s.clear();
}

// Reads "connection" id and type out of a{sa{sv}}.
int readProfileSettings(sd_bus_message* m, std::string& id, std::string& type) {
  int r = sd_bus_message_enter_container(m, 'a', "{sa{sv}}");
  if (r < 0) return r;
  while ((r = sd_bus_message_enter_container(m, 'e', "sa{sv}")) > 0) {
    const char* group = nullptr;
    if ((r = sd_bus_message_read(m, "s", &group)) < 0) return r;
    if ((r = sd_bus_message_enter_container(m, 'a', "{sv}")) < 0) return r;
    while ((r = sd_bus_message_enter_container(m, 'e', "sv")) > 0) {
      const char* key = nullptr;
      if ((r = sd_bus_message_read(m, "s", &key)) < 0) return r;
      char kind = 0;
      const char* contents = nullptr;
      if ((r = sd_bus_message_peek_type(m, &kind, &contents)) < 0) return r;
      std::string* target = nullptr;
      if (std::strcmp(group, "connection") == 0 && contents != nullptr &&
          std::strcmp(contents, "s") == 0) {
        if (std::strcmp(key, "id") == 0) target = &id;
        if (std::strcmp(key, "type") == 0) target = &type;
      }
      if (target != nullptr) {
        const char* v = nullptr;
        if ((r = sd_bus_message_read(m, "v", "s", &v)) < 0) return r;
        *target = v != nullptr ? v : "";
      } else if ((r = sd_bus_message_skip(m, "v")) < 0) {
        return r;
      }
      if ((r = sd_bus_message_exit_container(m)) < 0) return r;
    }
    if (r < 0) return r;
    if ((r = sd_bus_message_exit_container(m)) < 0) return r;
    if ((r = sd_bus_message_exit_container(m)) < 0) return r;
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

}  // namespace

NetworkManagerDialup::NetworkManagerDialup(MessageLoop& loop, DbusConnection* bus,
                                           NetworkManagerOptions options)
    : Window(loop), m_bus(bus), m_options(std::move(options)) {
  if (!m_options.log) {
    m_options.log = [](const std::string& line) {
      std::fprintf(stderr, "fetchwright: %s\n", line.c_str());
    };
  }
  if (m_bus == nullptr) return;
  sd_bus* b = m_bus->bus();
  // Subscribed before any dial, so that no state change of a connection is missed.
  // StateChanged carries the reason; the removal and the name's owner only tell that a
  // connection or the whole service went away.
  struct Match {
    const char* rule;
    sd_bus_message_handler_t handler;
  };
  const Match matches[] = {
      {"type='signal',sender='org.freedesktop.NetworkManager',"
       "interface='org.freedesktop.NetworkManager.Connection.Active',member='StateChanged',"
       "path_namespace='/org/freedesktop/NetworkManager/ActiveConnection'",
       &NetworkManagerDialup::onAcStateChanged},
      {"type='signal',sender='org.freedesktop.NetworkManager',"
       "interface='org.freedesktop.NetworkManager.Device',member='StateChanged',"
       "path_namespace='/org/freedesktop/NetworkManager/Devices'",
       &NetworkManagerDialup::onDeviceStateChanged},
      {"type='signal',sender='org.freedesktop.NetworkManager',path='/org/freedesktop',"
       "interface='org.freedesktop.DBus.ObjectManager',member='InterfacesRemoved'",
       &NetworkManagerDialup::onInterfacesRemoved},
      {"type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
       "interface='org.freedesktop.DBus',member='NameOwnerChanged',"
       "arg0='org.freedesktop.NetworkManager'",
       &NetworkManagerDialup::onNameOwnerChanged},
  };
  for (const Match& match : matches) {
    sd_bus_slot* slot = nullptr;
    int r = sd_bus_add_match(b, &slot, match.rule, match.handler, this);
    if (r < 0)
      m_options.log("cannot follow NetworkManager's signals: " + dbusErrorText(nullptr, r));
    else
      m_slots.push_back(slot);
  }
  static const sd_bus_vtable agent[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_METHOD("GetSecrets", "a{sa{sv}}osasu", "a{sa{sv}}",
                    &NetworkManagerDialup::onGetSecrets, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_METHOD("CancelGetSecrets", "os", "", &NetworkManagerDialup::onAgentNoop,
                    SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_METHOD("SaveSecrets", "a{sa{sv}}o", "", &NetworkManagerDialup::onAgentNoop,
                    SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_METHOD("DeleteSecrets", "a{sa{sv}}o", "", &NetworkManagerDialup::onAgentNoop,
                    SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_VTABLE_END,
  };
  sd_bus_slot* slot = nullptr;
  if (sd_bus_add_object_vtable(b, &slot, kAgentPath, kAgentIface, agent, this) >= 0)
    m_slots.push_back(slot);
  m_bus->kick();
}

NetworkManagerDialup::~NetworkManagerDialup() {
  forgetSecrets();
  for (auto& [handle, line] : m_lines) releaseLine(line);
  m_lines.clear();
  for (sd_bus_slot* slot : m_slots) sd_bus_slot_unref(slot);
}

void NetworkManagerDialup::releaseLine(Line& line) {
  // Dropping the last reference of a pending call's slot cancels the call.
  if (line.callSlot != nullptr) line.callSlot = sd_bus_slot_unref(line.callSlot);
}

int NetworkManagerDialup::callError(const sd_bus_error* error, int r) {
  if (dbusTimedOut(error, r)) return kDialErrorTimeout;
  if (error != nullptr && (sd_bus_error_has_name(error, SD_BUS_ERROR_SERVICE_UNKNOWN) ||
                           sd_bus_error_has_name(error, SD_BUS_ERROR_NAME_HAS_NO_OWNER)))
    return kDialErrorNoService;
  if (error == nullptr || !sd_bus_error_is_set(error)) {
    if (r == -ECONNRESET || r == -ENOTCONN || r == -ENOENT || r == -ECONNREFUSED)
      return kDialErrorNoBus;
  }
  m_lastRefusal = dbusErrorText(error, r);
  return kDialErrorRefused;
}

int NetworkManagerDialup::listProfiles(std::vector<Profile>& out) {
  out.clear();
  if (m_bus == nullptr) return kDialErrorNoBus;
  sd_bus* b = m_bus->bus();
  sd_bus_error err = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  int r = sd_bus_call_method(b, kNm, kSettingsPath, kSettingsIface, "ListConnections", &err, &reply,
                             "");
  int result = 0;
  char** paths = nullptr;
  if (r < 0) {
    result = callError(&err, r);
  } else if (sd_bus_message_read_strv(reply, &paths) < 0) {
    result = kDialErrorRefused;
    m_lastRefusal = "NetworkManager listed its profiles in an unexpected form";
  }
  sd_bus_error_free(&err);
  sd_bus_message_unref(reply);
  for (char** p = paths; p != nullptr && *p != nullptr && result == 0; ++p) {
    sd_bus_message* settings = nullptr;
    sd_bus_error e = SD_BUS_ERROR_NULL;
    Profile profile;
    profile.path = *p;
    r = sd_bus_call_method(b, kNm, *p, kConnectionIface, "GetSettings", &e, &settings, "");
    // A profile removed while listing is skipped; the rest of the list still counts.
    if (r >= 0 && readProfileSettings(settings, profile.id, profile.type) >= 0 &&
        !profile.id.empty())
      out.push_back(std::move(profile));
    else if (r < 0 && callError(&e, r) == kDialErrorTimeout)
      result = kDialErrorTimeout;
    sd_bus_error_free(&e);
    sd_bus_message_unref(settings);
  }
  if (paths != nullptr) {
    for (char** p = paths; *p != nullptr; ++p) free(*p);
    free(paths);
  }
  m_bus->kick();
  return result;
}

int NetworkManagerDialup::entries(std::vector<std::string>& out) {
  out.clear();
  std::vector<Profile> profiles;
  int r = listProfiles(profiles);
  if (r != 0) return r;
  for (const Profile& p : profiles) out.push_back(p.id);
  return 0;
}

int NetworkManagerDialup::findActive(const std::string& profilePath, std::string& acPath,
                                     uint32_t& acState) {
  sd_bus* b = m_bus->bus();
  sd_bus_error err = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  int r = sd_bus_get_property(b, kNm, kNmPath, kNm, "ActiveConnections", &err, &reply, "ao");
  char** acs = nullptr;
  if (r >= 0) r = sd_bus_message_read_strv(reply, &acs);
  int result = r < 0 ? callError(&err, r) : 0;
  sd_bus_error_free(&err);
  sd_bus_message_unref(reply);
  for (char** p = acs; p != nullptr && *p != nullptr; ++p) {
    if (!acPath.empty()) continue;
    sd_bus_error e = SD_BUS_ERROR_NULL;
    sd_bus_message* prop = nullptr;
    const char* connection = nullptr;
    if (sd_bus_get_property(b, kNm, *p, kAcIface, "Connection", &e, &prop, "o") >= 0 &&
        sd_bus_message_read(prop, "o", &connection) >= 0 && connection != nullptr &&
        profilePath == connection) {
      uint32_t state = 0;
      sd_bus_error e2 = SD_BUS_ERROR_NULL;
      if (sd_bus_get_property_trivial(b, kNm, *p, kAcIface, "State", &e2, 'u', &state) >= 0 &&
          (state == kAcActivating || state == kAcActivated)) {
        acPath = *p;
        acState = state;
      }
      sd_bus_error_free(&e2);
    }
    sd_bus_message_unref(prop);
    sd_bus_error_free(&e);
  }
  if (acs != nullptr) {
    for (char** p = acs; *p != nullptr; ++p) free(*p);
    free(acs);
  }
  return result;
}

void NetworkManagerDialup::registerAgent() {
  sd_bus_error err = SD_BUS_ERROR_NULL;
  int r = sd_bus_call_method(m_bus->bus(), kNm, kAgentManagerPath, kAgentManagerIface,
                             "RegisterWithCapabilities", &err, nullptr, "su", kAgentId, 0u);
  // Already registered is the usual case after the first dial.
  if (r < 0 &&
      !sd_bus_error_has_name(&err, "org.freedesktop.NetworkManager.AgentManager.AlreadyRegistered"))
    m_options.log("NetworkManager did not take the password agent: " + dbusErrorText(&err, r));
  sd_bus_error_free(&err);
}

int NetworkManagerDialup::dial(const DialParams& params, DialStatusCallback callback,
                               DialHandle& handle) {
  handle = 0;
  if (m_bus == nullptr) return kDialErrorNoBus;
  std::vector<Profile> profiles;
  int r = listProfiles(profiles);
  if (r != 0) return r;
  const Profile* profile = nullptr;
  for (const Profile& p : profiles) {
    if (p.id == params.entry) {
      profile = &p;
      break;
    }
  }
  if (profile == nullptr) return kDialErrorNoEntry;

  std::string acPath;
  uint32_t acState = 0;
  r = findActive(profile->path, acPath, acState);
  if (r != 0) return r;

  DialHandle h = m_nextHandle++;
  Line& line = m_lines[h];
  line.callback = std::move(callback);
  if (!acPath.empty()) {
    line.ours = false;
    line.acPath = acPath;
    readActiveConnection(line, acState);
    report(h, line, kDialStateOpenPort, 0);
    applyAcState(h, line, acState, 0);
    handle = h;
    m_bus->kick();
    return 0;
  }

  forgetSecrets();
  if (takesPassword(profile->type) && !params.password.empty()) {
    registerAgent();
    m_secretHandle = h;
    m_secretProfile = profile->path;
    m_secretPassword = params.password;
  }

  sd_bus* b = m_bus->bus();
  sd_bus_message* call = nullptr;
  r = sd_bus_message_new_method_call(b, &call, kNm, kNmPath, kNm, "ActivateConnection");
  if (r >= 0) r = sd_bus_message_append(call, "ooo", profile->path.c_str(), "/", "/");
  line.call = std::make_unique<PendingCall>(PendingCall{this, h});
  if (r >= 0)
    r = sd_bus_call_async(b, &line.callSlot, call, &NetworkManagerDialup::onActivateReply,
                          line.call.get(), us(m_options.activateTimeoutMs));
  sd_bus_message_unref(call);
  if (r < 0) {
    forgetSecrets();
    m_lines.erase(h);
    m_bus->kick();
    return callError(nullptr, r);
  }
  line.pending = true;
  report(h, line, kDialStateOpenPort, 0);
  handle = h;
  m_bus->kick();
  return 0;
}

void NetworkManagerDialup::readActiveConnection(Line& line, uint32_t& state) {
  sd_bus* b = m_bus->bus();
  sd_bus_error err = SD_BUS_ERROR_NULL;
  if (sd_bus_get_property_trivial(b, kNm, line.acPath.c_str(), kAcIface, "State", &err, 'u',
                                  &state) < 0)
    state = kAcActivating;
  sd_bus_error_free(&err);
  sd_bus_message* reply = nullptr;
  char** devices = nullptr;
  if (sd_bus_get_property(b, kNm, line.acPath.c_str(), kAcIface, "Devices", &err, &reply, "ao") >=
          0 &&
      sd_bus_message_read_strv(reply, &devices) >= 0) {
    for (char** p = devices; p != nullptr && *p != nullptr; ++p) {
      line.devices.emplace_back(*p);
      free(*p);
    }
    free(devices);
  }
  sd_bus_error_free(&err);
  sd_bus_message_unref(reply);
}

void NetworkManagerDialup::report(DialHandle handle, Line& line, int state, int error) {
  if (error == 0) line.lastState = state;
  m_reports.push_back(Report{handle, state, error});
  if (!m_deliverPosted) m_deliverPosted = loop().post(this, kMsgDeliver);
}

LResult NetworkManagerDialup::handleMessage(MessageId msg, WParam, LParam) {
  if (msg != kMsgDeliver) return 0;
  m_deliverPosted = false;
  std::vector<Report> reports;
  reports.swap(m_reports);
  for (const Report& r : reports) {
    auto it = m_lines.find(r.handle);
    if (it == m_lines.end()) continue;  // hung up meanwhile
    DialStatusCallback cb = it->second.callback;
    if (cb) cb(r.handle, r.state, r.error);
  }
  return 0;
}

void NetworkManagerDialup::applyAcState(DialHandle handle, Line& line, uint32_t state,
                                        uint32_t reason) {
  if (line.ended) return;
  if (state == kAcActivated) {
    if (line.up) return;
    line.up = true;
    if (m_secretHandle == handle) forgetSecrets();
    report(handle, line, kDialStateConnected, 0);
  } else if (state == kAcDeactivated) {
    line.gone = true;
    lineGone(handle, line, kDialErrorReasonBase + static_cast<int>(reason));
  } else if (state == kAcActivating && !line.up && line.lastState == kDialStateOpenPort) {
    report(handle, line, 1, 0);
  }
}

void NetworkManagerDialup::lineGone(DialHandle handle, Line& line, int failure) {
  if (line.ended) return;
  line.ended = true;
  if (m_secretHandle == handle) forgetSecrets();
  if (line.up)
    report(handle, line, kDialStateDisconnected, 0);
  else
    report(handle, line, line.lastState, failure);
}

void NetworkManagerDialup::forgetSecrets() {
  m_secretHandle = 0;
  m_secretProfile.clear();
  wipe(m_secretPassword);
}

NetworkManagerDialup::Line* NetworkManagerDialup::lineByAc(const char* path, DialHandle& handle) {
  if (path == nullptr) return nullptr;
  for (auto& [h, line] : m_lines) {
    if (!line.acPath.empty() && line.acPath == path) {
      handle = h;
      return &line;
    }
  }
  return nullptr;
}

int NetworkManagerDialup::onActivateReply(sd_bus_message* m, void* userdata, sd_bus_error*) {
  auto* call = static_cast<PendingCall*>(userdata);
  NetworkManagerDialup& self = *call->self;
  DialHandle handle = call->handle;
  auto it = self.m_lines.find(handle);
  if (it == self.m_lines.end()) return 0;
  Line& line = it->second;
  line.pending = false;
  if (sd_bus_message_is_method_error(m, nullptr)) {
    const sd_bus_error* e = sd_bus_message_get_error(m);
    int failure = self.callError(e, -sd_bus_message_get_errno(m));
    self.lineGone(handle, line, failure);
    return 0;
  }
  const char* ac = nullptr;
  if (sd_bus_message_read(m, "o", &ac) < 0 || ac == nullptr) {
    self.m_lastRefusal = "NetworkManager answered the dial in an unexpected form";
    self.lineGone(handle, line, kDialErrorRefused);
    return 0;
  }
  line.acPath = ac;
  // Signals for this connection that came before the answer are older than this read;
  // later ones are newer.
  uint32_t state = kAcActivating;
  self.readActiveConnection(line, state);
  self.applyAcState(handle, line, state, 0);
  return 0;
}

int NetworkManagerDialup::onAcStateChanged(sd_bus_message* m, void* userdata, sd_bus_error*) {
  auto& self = *static_cast<NetworkManagerDialup*>(userdata);
  DialHandle handle = 0;
  Line* line = self.lineByAc(sd_bus_message_get_path(m), handle);
  uint32_t state = 0, reason = 0;
  if (line == nullptr || sd_bus_message_read(m, "uu", &state, &reason) < 0) return 0;
  if (state == kAcDeactivating) return 0;
  self.applyAcState(handle, *line, state, reason);
  return 0;
}

int NetworkManagerDialup::onDeviceStateChanged(sd_bus_message* m, void* userdata, sd_bus_error*) {
  auto& self = *static_cast<NetworkManagerDialup*>(userdata);
  const char* path = sd_bus_message_get_path(m);
  uint32_t now = 0, before = 0, reason = 0;
  if (path == nullptr || sd_bus_message_read(m, "uuu", &now, &before, &reason) < 0) return 0;
  int state = dialStateForDevice(now);
  if (state < 0) return 0;
  for (auto& [handle, line] : self.m_lines) {
    if (line.up || line.ended || line.lastState == state) continue;
    for (const std::string& device : line.devices) {
      if (device == path) {
        self.report(handle, line, state, 0);
        break;
      }
    }
  }
  return 0;
}

int NetworkManagerDialup::onInterfacesRemoved(sd_bus_message* m, void* userdata, sd_bus_error*) {
  auto& self = *static_cast<NetworkManagerDialup*>(userdata);
  const char* path = nullptr;
  if (sd_bus_message_read(m, "o", &path) < 0) return 0;
  DialHandle handle = 0;
  Line* line = self.lineByAc(path, handle);
  if (line == nullptr) return 0;
  line->gone = true;
  self.lineGone(handle, *line, kDialErrorReasonBase);
  return 0;
}

int NetworkManagerDialup::onNameOwnerChanged(sd_bus_message* m, void* userdata, sd_bus_error*) {
  auto& self = *static_cast<NetworkManagerDialup*>(userdata);
  const char *name = nullptr, *before = nullptr, *now = nullptr;
  if (sd_bus_message_read(m, "sss", &name, &before, &now) < 0 || now == nullptr || *now != '\0')
    return 0;
  for (auto& [handle, line] : self.m_lines) {
    line.gone = true;
    line.pending = false;
    self.lineGone(handle, line, kDialErrorServiceGone);
  }
  return 0;
}

int NetworkManagerDialup::onGetSecrets(sd_bus_message* m, void* userdata, sd_bus_error* error) {
  auto& self = *static_cast<NetworkManagerDialup*>(userdata);
  const char* path = nullptr;
  const char* setting = nullptr;
  uint32_t flags = 0;
  if (sd_bus_message_skip(m, "a{sa{sv}}") < 0 ||
      sd_bus_message_read(m, "os", &path, &setting) < 0 || sd_bus_message_skip(m, "as") < 0 ||
      sd_bus_message_read(m, "u", &flags) < 0)
    return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "unexpected arguments");
  if (self.m_secretHandle == 0 || self.m_secretProfile != path || !takesPassword(setting) ||
      (flags & kSecretsRequestNew) != 0)
    return sd_bus_error_set(error, kNoSecrets, "no secrets for this connection");
  // Only NetworkManager itself gets the password, not any other client of the bus.
  sd_bus_error e = SD_BUS_ERROR_NULL;
  sd_bus_message* owner = nullptr;
  const char* ownerName = nullptr;
  int r =
      sd_bus_call_method(sd_bus_message_get_bus(m), "org.freedesktop.DBus", "/org/freedesktop/DBus",
                         "org.freedesktop.DBus", "GetNameOwner", &e, &owner, "s", kNm);
  bool fromManager = r >= 0 && sd_bus_message_read(owner, "s", &ownerName) >= 0 &&
                     ownerName != nullptr && sd_bus_message_get_sender(m) != nullptr &&
                     std::strcmp(ownerName, sd_bus_message_get_sender(m)) == 0;
  sd_bus_error_free(&e);
  sd_bus_message_unref(owner);
  if (!fromManager) return sd_bus_error_set(error, kNoSecrets, "no secrets for this caller");

  sd_bus_message* reply = nullptr;
  r = sd_bus_message_new_method_return(m, &reply);
  const char* pw = self.m_secretPassword.c_str();
  if (r >= 0) r = sd_bus_message_open_container(reply, 'a', "{sa{sv}}");
  if (r >= 0) r = sd_bus_message_open_container(reply, 'e', "sa{sv}");
  if (r >= 0) r = sd_bus_message_append(reply, "s", setting);
  if (r >= 0) r = sd_bus_message_open_container(reply, 'a', "{sv}");
  if (std::strcmp(setting, "vpn") == 0) {
    if (r >= 0) r = sd_bus_message_open_container(reply, 'e', "sv");
    if (r >= 0) r = sd_bus_message_append(reply, "s", "secrets");
    if (r >= 0) r = sd_bus_message_open_container(reply, 'v', "a{ss}");
    if (r >= 0) r = sd_bus_message_append(reply, "a{ss}", 1, "password", pw);
    if (r >= 0) r = sd_bus_message_close_container(reply);
    if (r >= 0) r = sd_bus_message_close_container(reply);
  } else if (r >= 0) {
    r = sd_bus_message_append(reply, "{sv}", "password", "s", pw);
  }
  if (r >= 0) r = sd_bus_message_close_container(reply);
  if (r >= 0) r = sd_bus_message_close_container(reply);
  if (r >= 0) r = sd_bus_message_close_container(reply);
  if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
  sd_bus_message_unref(reply);
  if (r < 0) return sd_bus_error_set(error, kNoSecrets, "the secrets could not be sent");
  return 1;
}

int NetworkManagerDialup::onAgentNoop(sd_bus_message* m, void*, sd_bus_error*) {
  // Nothing is saved or deleted: the password belongs to the program's settings.
  return sd_bus_reply_method_return(m, "");
}

void NetworkManagerDialup::hangUp(DialHandle handle) {
  auto it = m_lines.find(handle);
  if (it == m_lines.end()) return;
  Line& line = it->second;
  if (m_secretHandle == handle) forgetSecrets();
  const int waitMs = m_options.hangUpWaitMs;
  const int64_t start = loop().clock().monotonicMs();
  auto left = [&]() {
    int64_t spent = loop().clock().monotonicMs() - start;
    return static_cast<int>(std::max<int64_t>(0, waitMs - spent));
  };
  // A dial not answered yet may still start a connection: learn which one first.
  if (line.pending) m_bus->runUntil([&] { return !line.pending; }, left());
  if (line.pending) {
    m_options.log("NetworkManager did not answer the dial of handle " + std::to_string(handle) +
                  " within the hang-up's wait; the dial is abandoned");
  } else if (line.ours && !line.acPath.empty() && !line.gone) {
    sd_bus_message* call = nullptr;
    sd_bus_error err = SD_BUS_ERROR_NULL;
    int r = sd_bus_message_new_method_call(m_bus->bus(), &call, kNm, kNmPath, kNm,
                                           "DeactivateConnection");
    if (r >= 0) r = sd_bus_message_append(call, "o", line.acPath.c_str());
    if (r >= 0)
      r = sd_bus_call(m_bus->bus(), call,
                      us(std::max(1, std::min(left(), m_options.callTimeoutMs))), &err, nullptr);
    sd_bus_message_unref(call);
    if (r < 0 && !line.gone) {
      m_options.log("NetworkManager refused to hang up " + line.acPath + ": " +
                    dbusErrorText(&err, r));
    } else if (!m_bus->runUntil([&] { return line.gone; }, left())) {
      m_options.log("NetworkManager did not confirm the hang-up of " + line.acPath + " within " +
                    std::to_string(waitMs / 1000) + " s; going on without it");
    }
    sd_bus_error_free(&err);
  }
  releaseLine(line);
  m_lines.erase(handle);
  m_bus->kick();
}

int NetworkManagerDialup::connectState(DialHandle handle, int& state) {
  auto it = m_lines.find(handle);
  if (it == m_lines.end()) return kDialInvalidHandle;
  Line& line = it->second;
  if (line.gone || line.ended) {
    state = line.up ? kDialStateDisconnected : line.lastState;
    return 0;
  }
  if (line.acPath.empty()) {
    state = line.lastState;
    return 0;
  }
  uint32_t ac = 0;
  sd_bus_error err = SD_BUS_ERROR_NULL;
  int r = sd_bus_get_property_trivial(m_bus->bus(), kNm, line.acPath.c_str(), kAcIface, "State",
                                      &err, 'u', &ac);
  sd_bus_error_free(&err);
  m_bus->kick();
  // Any error means the object is gone (NetworkManager or the connection).
  if (r < 0 || ac == kAcDeactivating || ac == kAcDeactivated)
    state = kDialStateDisconnected;
  else if (ac == kAcActivated)
    state = kDialStateConnected;
  else
    state = line.lastState;
  return 0;
}

bool NetworkManagerDialup::errorText(int error, std::string& text) {
  if (error == kDialErrorRefused && !m_lastRefusal.empty()) {
    text = "NetworkManager refused the connection: " + m_lastRefusal;
    return true;
  }
  if (const char* common = dialCommonErrorText(error)) {
    text = common;
    return true;
  }
  if (const char* reason = reasonText(error - kDialErrorReasonBase)) {
    text = reason;
    return true;
  }
  return false;
}

std::string NetworkManagerDialup::activeConnectionPath(DialHandle handle) const {
  auto it = m_lines.find(handle);
  return it == m_lines.end() ? std::string() : it->second.acPath;
}

}  // namespace fw

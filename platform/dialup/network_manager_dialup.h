#pragma once
// The dial-up layer over NetworkManager (D-Bus, through the program's DbusConnection):
//   entries      the connection profiles' names (Settings.ListConnections, GetSettings)
//   dial         ActivateConnection(profile, "/", "/"); a profile that is already active
//                is taken over as it is (activating it again would drop it) and is never
//                deactivated by this program
//   callback     the active connection's StateChanged and its devices' StateChanged,
//                mapped onto the dial states: accepted 1, device preparing 2, configuring
//                3, authenticating 5, IP set-up 10, last checks 14, activated 8192; a
//                connection that goes down after it was up 8193; one that fails before
//                that reports its last state with kDialErrorReasonBase + NetworkManager's
//                reason as the error
//   hang up      DeactivateConnection, then a wait of at most `hangUpWaitMs` (default
//                10 s) until the connection is gone; a service that does not confirm is
//                logged and the handle forgotten anyway
//   state        the active connection's State; an error or a vanished object is 8193
//
// The user name lives in the profile itself; the password is handed over as a secret:
// while a dial of a pppoe, gsm, cdma or vpn profile is under way, a secret agent answers
// NetworkManager's GetSecrets for that one profile, and nobody else's. It is never
// logged.
//
// Every call has a time-out; the dial's ActivateConnection runs asynchronously (it may
// wait for the user's authorisation), the others block for at most `callTimeoutMs`.
//
// Threads: main thread only, like every Dialup.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dbus_connection.h"
#include "platform/dialup/dialup.h"
#include "platform/message_loop.h"

namespace fw {

struct NetworkManagerOptions {
  int callTimeoutMs = 5000;
  int activateTimeoutMs = 30000;
  int hangUpWaitMs = 10000;
  // Diagnostic lines (never a password); default: standard error.
  std::function<void(const std::string&)> log;
};

class NetworkManagerDialup final : public Dialup, private Window {
 public:
  // `bus` may be null (no system bus): dials then fail with kDialErrorNoBus. It must
  // outlive this object.
  NetworkManagerDialup(MessageLoop& loop, DbusConnection* bus, NetworkManagerOptions options = {});
  ~NetworkManagerDialup() override;

  int entries(std::vector<std::string>& out) override;
  int dial(const DialParams& params, DialStatusCallback callback, DialHandle& handle) override;
  void hangUp(DialHandle handle) override;
  int connectState(DialHandle handle, int& state) override;
  bool errorText(int error, std::string& text) override;

  // The active connection's object path behind `handle` (empty until known), for tests.
  std::string activeConnectionPath(DialHandle handle) const;

 private:
  struct Profile {
    std::string path, id, type;
  };
  struct PendingCall {
    NetworkManagerDialup* self;
    DialHandle handle;
  };
  struct Line {
    DialStatusCallback callback;
    std::string acPath;
    std::vector<std::string> devices;
    bool ours = true;      // activated by this program: hang-up deactivates it
    bool pending = false;  // ActivateConnection not answered yet
    bool up = false;
    bool ended = false;  // its failure or drop was reported
    bool gone = false;   // the object vanished or reached state 4
    int lastState = kDialStateOpenPort;
    sd_bus_slot* callSlot = nullptr;
    std::unique_ptr<PendingCall> call;
  };
  struct Report {
    DialHandle handle;
    int state;
    int error;
  };

  LResult handleMessage(MessageId msg, WParam w, LParam l) override;
  int listProfiles(std::vector<Profile>& out);
  int findActive(const std::string& profilePath, std::string& acPath, uint32_t& acState);
  int callError(const sd_bus_error* error, int r);
  void registerAgent();
  void report(DialHandle handle, Line& line, int state, int error);
  void readActiveConnection(Line& line, uint32_t& state);
  void applyAcState(DialHandle handle, Line& line, uint32_t state, uint32_t reason);
  void lineGone(DialHandle handle, Line& line, int failure);
  void forgetSecrets();
  void releaseLine(Line& line);
  Line* lineByAc(const char* path, DialHandle& handle);

  static int onActivateReply(sd_bus_message* m, void* userdata, sd_bus_error* error);
  static int onAcStateChanged(sd_bus_message* m, void* userdata, sd_bus_error* error);
  static int onDeviceStateChanged(sd_bus_message* m, void* userdata, sd_bus_error* error);
  static int onInterfacesRemoved(sd_bus_message* m, void* userdata, sd_bus_error* error);
  static int onNameOwnerChanged(sd_bus_message* m, void* userdata, sd_bus_error* error);
  static int onGetSecrets(sd_bus_message* m, void* userdata, sd_bus_error* error);
  static int onAgentNoop(sd_bus_message* m, void* userdata, sd_bus_error* error);

  DbusConnection* m_bus;
  NetworkManagerOptions m_options;
  std::vector<sd_bus_slot*> m_slots;  // signal matches and the agent object
  std::map<DialHandle, Line> m_lines;
  std::vector<Report> m_reports;
  bool m_deliverPosted = false;
  DialHandle m_nextHandle = 1;
  std::string m_lastRefusal;
  // The secret of the dial under way: only for this profile, only until it is up.
  DialHandle m_secretHandle = 0;
  std::string m_secretProfile;
  std::string m_secretPassword;
};

}  // namespace fw

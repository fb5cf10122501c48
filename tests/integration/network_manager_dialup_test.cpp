// The NetworkManager dial-up backend against python3-dbusmock's networkmanager template
// on a private bus.

#include "platform/dialup/network_manager_dialup.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "support/dbus_mock.h"

namespace fw {
namespace {

using namespace std::chrono_literals;

constexpr const char* kNmPath = "/org/freedesktop/NetworkManager";
constexpr const char* kNm = "org.freedesktop.NetworkManager";
constexpr const char* kPpp0 = "/org/freedesktop/NetworkManager/Devices/ppp0";

// ActivateConnection as a real service does it: the connection starts activating and
// the test moves it on.
constexpr const char* kActivating =
    "self.fw_seq = getattr(self, 'fw_seq', 0) + 1\n"
    "ret = dbus.ObjectPath(objects['/org/freedesktop'].AddActiveConnection("
    "['/org/freedesktop/NetworkManager/Devices/ppp0'], args[0], '/', 'dial%d' % self.fw_seq, "
    "dbus.UInt32(1)))";

struct Report {
  int state;
  int error;
  bool operator==(const Report& o) const { return state == o.state && error == o.error; }
};

std::ostream& operator<<(std::ostream& os, const Report& r) {
  return os << "(" << r.state << ", " << r.error << ")";
}

struct NetworkManagerDialupTest : ::testing::Test {
  test::DbusMockBus mock;
  MessageLoop loop;
  std::unique_ptr<DbusConnection> bus;
  std::unique_ptr<NetworkManagerDialup> nm;
  std::vector<std::string> logged;
  std::vector<Report> reports;
  std::string ispPath;

  void SetUp() override {
    FW_REQUIRE_DBUS_MOCK();
    ASSERT_TRUE(mock.start()) << mock.error();
    ASSERT_TRUE(mock.addDevice("ppp0")) << mock.error();
    ispPath = mock.addProfile("ISP Dial", "pppoe");
    ASSERT_FALSE(ispPath.empty()) << mock.error();
  }
  void TearDown() override {
    nm.reset();
    bus.reset();
    mock.stop();
  }

  void open(int hangUpWaitMs = 10000) {
    std::string error;
    bus = DbusConnection::openSystem(loop, 2000, error);
    ASSERT_NE(bus, nullptr) << error;
    NetworkManagerOptions options;
    options.callTimeoutMs = 2000;
    options.activateTimeoutMs = 2000;
    options.hangUpWaitMs = hangUpWaitMs;
    options.log = [this](const std::string& line) { logged.push_back(line); };
    nm = std::make_unique<NetworkManagerDialup>(loop, bus.get(), options);
  }
  // Runs the loop until `done` (5 s at most).
  bool pumpUntil(const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      loop.processPending();
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }
  void pumpFor(std::chrono::milliseconds ms) {
    auto end = std::chrono::steady_clock::now() + ms;
    while (std::chrono::steady_clock::now() < end) {
      loop.processPending();
      std::this_thread::sleep_for(1ms);
    }
  }
  DialHandle dial(const std::string& entry = "ISP Dial", const std::string& password = "") {
    DialHandle h = 0;
    int r = nm->dial(
        DialParams{entry, "alice", password},
        [this](DialHandle, int state, int error) {
          reports.push_back(Report{state, error});
        },
        h);
    EXPECT_EQ(r, 0);
    return h;
  }
  bool reported(const Report& r) {
    return pumpUntil([&] { return std::find(reports.begin(), reports.end(), r) != reports.end(); });
  }
};

TEST_F(NetworkManagerDialupTest, EntriesAreTheProfilesInTheServicesOrder) {
  ASSERT_FALSE(mock.addProfile("Mobile", "gsm").empty());
  ASSERT_FALSE(mock.addProfile("Office VPN", "vpn").empty());
  open();
  std::vector<std::string> entries;
  EXPECT_EQ(nm->entries(entries), 0);
  EXPECT_EQ(entries, (std::vector<std::string>{"ISP Dial", "Mobile", "Office VPN"}));
}

TEST_F(NetworkManagerDialupTest, DialActivatesTheProfileAndHangUpDeactivatesIt) {
  open();
  DialHandle h = dial();
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(reported({kDialStateConnected, 0})) << mock.logs();
  EXPECT_EQ(reports.front(), (Report{kDialStateOpenPort, 0}));
  EXPECT_EQ(mock.calls(kNm, kNmPath, "ActivateConnection"), (std::vector<std::string>{ispPath}));
  int state = 0;
  EXPECT_EQ(nm->connectState(h, state), 0);
  EXPECT_EQ(state, kDialStateConnected);

  std::string ac = nm->activeConnectionPath(h);
  ASSERT_FALSE(ac.empty());
  nm->hangUp(h);
  EXPECT_EQ(mock.calls(kNm, kNmPath, "DeactivateConnection"), (std::vector<std::string>{ac}));
  EXPECT_EQ(nm->connectState(h, state), kDialInvalidHandle);
  EXPECT_TRUE(logged.empty()) << logged.front();
}

struct Step {
  enum Kind { Device, Active } kind;
  uint32_t state;
  uint32_t reason;
};

struct MappingCase {
  const char* name;
  std::vector<Step> steps;
  std::vector<Report> reports;
  int lineState;  // connectState afterwards
};

TEST_F(NetworkManagerDialupTest, StatesOfTheConnectionAndItsDeviceMapOntoDialStates) {
  const std::vector<MappingCase> cases = {
      {"device steps, then activated",
       {{Step::Device, 40, 0}, {Step::Device, 60, 0}, {Step::Device, 70, 0}, {Step::Active, 2, 1}},
       {{0, 0}, {1, 0}, {2, 0}, {5, 0}, {10, 0}, {kDialStateConnected, 0}},
       kDialStateConnected},
      {"the line drops after it was up",
       {{Step::Active, 2, 1}, {Step::Active, 4, 3}},
       {{0, 0}, {1, 0}, {kDialStateConnected, 0}, {kDialStateDisconnected, 0}},
       kDialStateDisconnected},
      {"the login is refused before the line is up",
       {{Step::Device, 60, 0}, {Step::Active, 4, 10}},
       {{0, 0}, {1, 0}, {5, 0}, {5, kDialErrorReasonBase + 10}},
       5},
  };
  for (const MappingCase& c : cases) {
    SCOPED_TRACE(c.name);
    reports.clear();
    open();
    ASSERT_TRUE(mock.addNmMethod(kNmPath, kNm, "ActivateConnection", "ooo", "o", kActivating))
        << mock.error();
    DialHandle h = dial();
    ASSERT_TRUE(reported({1, 0})) << mock.logs();
    std::string ac = nm->activeConnectionPath(h);
    ASSERT_FALSE(ac.empty());
    for (const Step& s : c.steps) {
      size_t before = reports.size();
      bool ok = s.kind == Step::Device ? mock.emitDeviceState(kPpp0, s.state, 30, s.reason)
                                       : mock.setActiveState(ac, s.state, s.reason);
      ASSERT_TRUE(ok) << mock.error();
      ASSERT_TRUE(pumpUntil([&] { return reports.size() > before; })) << "step " << s.state;
    }
    EXPECT_EQ(reports, c.reports);
    int state = -1;
    EXPECT_EQ(nm->connectState(h, state), 0);
    EXPECT_EQ(state, c.lineState);
    nm->hangUp(h);
    nm.reset();
    bus.reset();
  }
  std::string text;
  ASSERT_TRUE(nm == nullptr);
  open();
  EXPECT_TRUE(nm->errorText(kDialErrorReasonBase + 10, text));
  EXPECT_EQ(text, "The login failed: the user name or password was refused.");
}

TEST_F(NetworkManagerDialupTest, RefusedAndUnknownDialsFailWithTheirCodes) {
  open();
  DialHandle h = 1;
  EXPECT_EQ(nm->dial(DialParams{"No Such Profile", "", ""}, nullptr, h), kDialErrorNoEntry);
  EXPECT_EQ(h, 0u);

  ASSERT_TRUE(mock.addNmMethod(kNmPath, kNm, "ActivateConnection", "ooo", "o",
                               "raise dbus.exceptions.DBusException('modem not found', "
                               "name='org.freedesktop.NetworkManager.ConnectionNotAvailable')"));
  h = dial();
  ASSERT_TRUE(reported({kDialStateOpenPort, kDialErrorRefused})) << mock.logs();
  std::string text;
  ASSERT_TRUE(nm->errorText(kDialErrorRefused, text));
  EXPECT_NE(text.find("modem not found"), std::string::npos) << text;
  nm->hangUp(h);
  EXPECT_TRUE(mock.calls(kNm, kNmPath, "DeactivateConnection").empty())
      << "a connection that never started is not deactivated";
}

TEST_F(NetworkManagerDialupTest, AnAlreadyActiveProfileIsTakenOverAndLeftUp) {
  std::string ac = mock.addActiveConnection("ppp0", ispPath, "before", 2);
  ASSERT_FALSE(ac.empty()) << mock.error();
  open();
  DialHandle h = dial();
  ASSERT_TRUE(reported({kDialStateConnected, 0}));
  EXPECT_EQ(nm->activeConnectionPath(h), ac);
  EXPECT_TRUE(mock.calls(kNm, kNmPath, "ActivateConnection").empty());
  nm->hangUp(h);
  EXPECT_TRUE(mock.calls(kNm, kNmPath, "DeactivateConnection").empty());
}

TEST_F(NetworkManagerDialupTest, HangUpGivesUpAfterItsBoundAndSaysSo) {
  ASSERT_TRUE(mock.addNmMethod(kNmPath, kNm, "DeactivateConnection", "o", "", "pass"));
  open(300);
  DialHandle h = dial();
  ASSERT_TRUE(reported({kDialStateConnected, 0}));
  auto start = std::chrono::steady_clock::now();
  nm->hangUp(h);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  EXPECT_EQ(mock.calls(kNm, kNmPath, "DeactivateConnection").size(), 1u);
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("did not confirm the hang-up"), std::string::npos) << logged[0];
  int state = 0;
  EXPECT_EQ(nm->connectState(h, state), kDialInvalidHandle);
}

TEST_F(NetworkManagerDialupTest, TheServiceStoppingTakesTheLineDown) {
  open();
  DialHandle h = dial();
  ASSERT_TRUE(reported({kDialStateConnected, 0}));
  mock.stopNetworkManager();
  ASSERT_TRUE(reported({kDialStateDisconnected, 0}));
  int state = 0;
  EXPECT_EQ(nm->connectState(h, state), 0);
  EXPECT_EQ(state, kDialStateDisconnected);
  nm->hangUp(h);
  DialHandle again = 1;
  EXPECT_EQ(nm->dial(DialParams{"ISP Dial", "", ""}, nullptr, again), kDialErrorNoService);
  EXPECT_EQ(again, 0u);
}

// The password is handed to NetworkManager, for the profile being dialled, and to no one
// else. The mock asks the program's agent the way NetworkManager would.
TEST_F(NetworkManagerDialupTest, PasswordGoesOnlyToNetworkManagerForTheDialledProfile) {
  std::string otherPath = mock.addProfile("Other", "pppoe");
  ASSERT_FALSE(otherPath.empty());
  ASSERT_TRUE(mock.addAgentManager()) << mock.error();
  ASSERT_TRUE(mock.addNmMethod(kNmPath, kNm, "ActivateConnection", "ooo", "o", kActivating));
  ASSERT_TRUE(mock.addNmMethod(
      kNmPath, "org.fetchwright.Test", "AskSecrets", "sss", "s",
      "agent = self.connection.get_object(args[0], "
      "'/org/freedesktop/NetworkManager/SecretAgent')\n"
      "r = agent.GetSecrets(dbus.Dictionary({}, signature='sa{sv}'), dbus.ObjectPath(args[1]), "
      "args[2], dbus.Array([], signature='s'), dbus.UInt32(0), "
      "dbus_interface='org.freedesktop.NetworkManager.SecretAgent')\n"
      "ret = str(r[args[2]]['password'])"));
  open();
  std::string me = bus->uniqueName();
  ASSERT_FALSE(me.empty());

  // Asked from another thread while the loop serves the agent on this one.
  auto ask = [&](const char* service, const char* iface, const char* method,
                 const std::string& profile) {
    auto result = std::async(std::launch::async, [&, service, iface, method, profile] {
      sd_bus* own = nullptr;
      std::string answer;
      if (sd_bus_open_system(&own) < 0) return std::string("no bus");
      sd_bus_error e = SD_BUS_ERROR_NULL;
      sd_bus_message* reply = nullptr;
      int r;
      if (std::string(method) == "AskSecrets") {
        r = sd_bus_call_method(own, service, kNmPath, iface, method, &e, &reply, "sss", me.c_str(),
                               profile.c_str(), "pppoe");
        const char* pw = nullptr;
        if (r >= 0 && sd_bus_message_read(reply, "s", &pw) >= 0) answer = pw;
      } else {
        r = sd_bus_call_method(own, me.c_str(), "/org/freedesktop/NetworkManager/SecretAgent",
                               iface, method, &e, &reply, "a{sa{sv}}osasu", 0, profile.c_str(),
                               "pppoe", 0, 0u);
        if (r >= 0) answer = "answered";
      }
      if (r < 0) answer = std::string("error: ") + (e.name ? e.name : "?");
      sd_bus_error_free(&e);
      sd_bus_message_unref(reply);
      sd_bus_flush_close_unref(own);
      return answer;
    });
    pumpUntil([&] { return result.wait_for(0s) == std::future_status::ready; });
    return result.get();
  };
  const std::string noSecrets = "error: org.freedesktop.NetworkManager.SecretAgent.NoSecrets";

  EXPECT_EQ(ask(kNm, "org.fetchwright.Test", "AskSecrets", ispPath), noSecrets)
      << "no dial under way";
  DialHandle h = dial("ISP Dial", "s3cret");
  ASSERT_TRUE(reported({1, 0}));
  EXPECT_EQ(ask(kNm, "org.fetchwright.Test", "AskSecrets", ispPath), "s3cret");
  EXPECT_EQ(ask(kNm, "org.fetchwright.Test", "AskSecrets", otherPath), noSecrets);
  EXPECT_EQ(ask(me.c_str(), "org.freedesktop.NetworkManager.SecretAgent", "GetSecrets", ispPath),
            noSecrets)
      << "a client other than NetworkManager";
  ASSERT_TRUE(mock.setActiveState(nm->activeConnectionPath(h), 2, 1));
  ASSERT_TRUE(reported({kDialStateConnected, 0}));
  EXPECT_EQ(ask(kNm, "org.fetchwright.Test", "AskSecrets", ispPath), noSecrets)
      << "forgotten once the line is up";
  EXPECT_EQ(
      mock.calls(kNm, "/org/freedesktop/NetworkManager/AgentManager", "RegisterWithCapabilities"),
      (std::vector<std::string>{"fetchwright.dialup"}));
  EXPECT_TRUE(logged.empty()) << logged.front();
}

}  // namespace
}  // namespace fw

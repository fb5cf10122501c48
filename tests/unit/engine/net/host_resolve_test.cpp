// Host look-up through the controller's window: a small window stands in for the job
// controller and serves the look-up request and the answer message on the loop's
// thread while the Role waits on its own thread.

#include "engine/net/host_resolve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "engine/base/control_codes.h"
#include "platform/host_lookup.h"
#include "platform/message_loop.h"
#include "support/recording_channel.h"

namespace fw {
namespace {

class ControllerStandIn final : public Window {
 public:
  ControllerStandIn(MessageLoop& loop, RoleRecord& role) : Window(loop), m_role(role) {}
  LResult handleMessage(MessageId msg, WParam w, LParam l) override {
    if (msg == kMsgControl && w == CtlLookupHost)
      return serveHostLookupRequest(loop(), id(), *reinterpret_cast<HostLookupRequest*>(l));
    if (msg == kMsgHostLookup) {
      ++answers;
      woken += static_cast<int>(serveHostLookupAnswer(&m_role, w, l));
      return 0;
    }
    return 0;
  }
  int answers = 0;
  int woken = 0;

 private:
  RoleRecord& m_role;
};

struct Harness {
  MessageLoop loop;
  RoleRecord role;
  test::RecordingChannel channel;
  ControllerStandIn window{loop, role};

  Harness() {
    role.channel = &channel;
    channel.onControl = [this](RoleRecord&, uint32_t code, intptr_t arg) {
      return loop.sendTo(window.id(), kMsgControl, code, arg);
    };
  }
  // Runs `body` on a Role thread while the loop serves messages here (bounded).
  void runRole(const std::function<void()>& body) {
    std::atomic<bool> done{false};
    std::thread t([&] {
      body();
      done = true;
    });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done && std::chrono::steady_clock::now() < deadline) {
      loop.processPending();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    t.join();
  }
  // Lets look-up threads finish and their messages arrive (bounded).
  void drain() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (runningHostLookups() > 0 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    loop.processPending();
  }
};

TEST(HostResolve, AddressesNeedNoLookup) {
  const struct {
    const char* host;
    const char* address;
  } cases[] = {
      {"10.20.30.40", "10.20.30.40"},
      {"::1", "::1"},
      {"[::1]", "::1"},
      {"[2001:db8::7]", "2001:db8::7"},
  };
  for (const auto& c : cases) {
    Harness h;
    std::vector<std::string> addresses;
    EXPECT_EQ(resolveHostForRole(h.role, c.host, addresses, 1000), 1) << c.host;
    EXPECT_EQ(addresses, std::vector<std::string>{c.address}) << c.host;
    EXPECT_EQ(h.window.answers, 0);
    EXPECT_EQ(h.role.lookup, 0u);
  }
}

TEST(HostResolve, NameIsResolvedThroughTheControllerWindow) {
  Harness h;
  int result = 0;
  std::vector<std::string> addresses;
  h.runRole([&] { result = resolveHostForRole(h.role, "localhost", addresses, 5000); });
  EXPECT_EQ(result, 1) << h.channel.dump();
  // Every address of the name, as the system lists them (127.0.0.1, and ::1 where the
  // hosts file names it too).
  EXPECT_EQ(addresses, resolveHostAddresses("localhost"));
  EXPECT_NE(std::find(addresses.begin(), addresses.end(), "127.0.0.1"), addresses.end());
  EXPECT_EQ(h.window.woken, 1);
  EXPECT_EQ(h.role.outcome.load(), 16);
  EXPECT_EQ(h.role.lookup, 0u);  // the controller cleared the pending id
}

TEST(HostResolve, StopCancelsTheLookupAndDropsTheLateAnswer) {
  Harness h;
  int result = 0;
  std::vector<std::string> addresses;
  h.role.outcome = -2;
  h.role.stopEvent.set();
  h.runRole([&] { result = resolveHostForRole(h.role, "localhost", addresses, 5000); });
  EXPECT_EQ(result, -2);
  h.drain();
  EXPECT_EQ(h.window.woken, 0);  // no look-up was left running to answer later
  EXPECT_FALSE(h.role.stopEvent.isSet());
  EXPECT_EQ(h.role.outcome.load(), -2);
}

TEST(HostResolve, OverlongNameFailsWithTheLogLines) {
  Harness h;
  std::vector<std::string> addresses;
  EXPECT_EQ(resolveHostForRole(h.role, std::string(1024, 'a'), addresses, 1000), 0);
  EXPECT_TRUE(h.channel.has(kLogError, "Cannot resolve host name"));
  EXPECT_TRUE(h.channel.has(kLogError, "Error occured!"));
}

TEST(HostResolve, AnswerKeepsAStopRequestThatCameFirst) {
  Harness h;
  HostLookupRequest request{&h.role, "localhost"};
  EXPECT_GT(serveHostLookupRequest(h.loop, h.window.id(), request), 0);
  h.role.outcome = -5;  // the user stopped the Role while the look-up ran
  h.drain();
  EXPECT_EQ(h.window.woken, 1);
  EXPECT_EQ(h.role.outcome.load(), -5);
  EXPECT_EQ(h.role.lookupState.load(), 1);
  EXPECT_TRUE(h.role.stopEvent.isSet());
}

}  // namespace
}  // namespace fw

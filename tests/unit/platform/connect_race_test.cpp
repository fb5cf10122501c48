// The race of connection attempts to a host's addresses on real loopback sockets: which
// address wins, when each attempt starts (on a fake clock, so the 250 ms stagger is
// exact and costs no real time), and what is left open afterwards.

#include "platform/connect_race.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "platform/fake_clock.h"
#include "platform/socket.h"
#include "platform/socket_io.h"

namespace fw {
namespace {

// A listener on `address`:`port` (0 picks one). With `hang` its queue is filled, so that
// further connects to it stay unanswered.
class Listener {
 public:
  Listener(const std::string& address, uint16_t port, bool hang = false) {
    sockaddr_storage a{};
    socklen_t len = 0;
    makeSocketAddress(address, port, a, len);
    m_fd = ::socket(a.ss_family, SOCK_STREAM, 0);
    int one = 1;
    if (a.ss_family == AF_INET6) ::setsockopt(m_fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
    m_ok = ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), len) == 0 &&
           ::listen(m_fd, hang ? 0 : 8) == 0 &&
           ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len) == 0;
    m_port = ntohs(reinterpret_cast<sockaddr_in*>(&a)->sin_port);  // same place for v6
    FakeClock clock;
    Event quiet;
    for (int i = 0; hang && i < 16; ++i) {
      int fd = kInvalidSocket, err = 0;
      createStreamSocket(fd, err, a.ss_family);
      if (connectSocket(fd, address, m_port, clock, quiet, 0, err) != 1) {
        closeSocket(fd);
        break;
      }
      m_filler.push_back(fd);
    }
  }
  ~Listener() {
    for (int& fd : m_filler) closeSocket(fd);
    closeSocket(m_fd);
  }
  bool ok() const { return m_ok; }
  uint16_t port() const { return m_port; }

 private:
  int m_fd = kInvalidSocket;
  uint16_t m_port = 0;
  bool m_ok = false;
  std::vector<int> m_filler;
};

int openDescriptors() {
  int n = 0;
  for (int fd = 0; fd < 1024; ++fd) n += ::fcntl(fd, F_GETFD) != -1 ? 1 : 0;
  return n;
}

// Addresses on the loopback range: one port, a listener that answers, one whose queue
// is full, and nothing at all.
constexpr const char* kLive = "127.0.0.3";
constexpr const char* kHanging = "127.0.0.2";
constexpr const char* kRefused = "127.0.0.4";

struct RaceCase {
  const char* name;
  std::vector<std::string> addresses;
  int64_t timeoutMs;
  int result;
  size_t winner;
  std::vector<int64_t> startedAt;  // ms after the start, one per attempt made
};

TEST(ConnectRace, AttemptsStartInTurnAndTheFirstToConnectWins) {
  Listener hanging(kHanging, 0, true);
  ASSERT_TRUE(hanging.ok());
  Listener live(kLive, hanging.port());
  ASSERT_TRUE(live.ok());
  Listener liveV6("::1", hanging.port());

  const RaceCase cases[] = {
      {"LiveFirst", {kLive, kHanging}, 5000, 1, 0, {0}},
      {"HangingThenLive", {kHanging, kLive}, 5000, 1, 1, {0, 250}},
      {"TwoHangingThenLive", {kHanging, kHanging, kLive}, 5000, 1, 2, {0, 250, 500}},
      // A refusal hands its turn on at once.
      {"RefusedThenLive", {kRefused, kLive}, 5000, 1, 1, {0, 0}},
      {"AllRefused", {kRefused, kRefused}, 5000, 0, 0, {0, 0}},
      {"NoAnswerInTime", {kHanging, kHanging}, 1000, -9, 0, {0, 250}},
      {"NotAnAddressIsSkipped", {"no.such", kLive}, 5000, 1, 1, {0}},
      {"IPv6ThenIPv4", {"::1", kLive}, 5000, 1, 0, {0}},
  };
  for (const RaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (std::string(c.name) == "IPv6ThenIPv4" && !liveV6.ok()) continue;
    const int before = openDescriptors();
    FakeClock clock;
    Event stop;
    ConnectRace race;
    race.addresses = c.addresses;
    race.port = hanging.port();
    race.timeoutMs = c.timeoutMs;
    std::vector<int64_t> started;
    const int64_t t0 = clock.monotonicMs();
    race.onAttempt = [&](size_t) { started.push_back(clock.monotonicMs() - t0); };
    int fd = kInvalidSocket, err = 0;
    size_t winner = 99;
    EXPECT_EQ(connectFirst(race, clock, stop, fd, winner, err), c.result);
    EXPECT_EQ(started, c.startedAt);
    if (c.result == 1) {
      EXPECT_EQ(winner, c.winner);
      EXPECT_EQ(socketAddress(fd, true), c.addresses[c.winner]);
      closeSocket(fd);
    } else {
      EXPECT_EQ(fd, kInvalidSocket);
    }
    if (c.result == 0) EXPECT_EQ(err, ECONNREFUSED);
    if (c.result == -9) EXPECT_GE(clock.monotonicMs() - t0, c.timeoutMs);
    // Nothing of the losing attempts stays open.
    EXPECT_EQ(openDescriptors(), before);
  }
}

TEST(ConnectRace, StopEndsTheRaceWithinOneSlice) {
  Listener hanging(kHanging, 0, true);
  ASSERT_TRUE(hanging.ok());
  FakeClock clock;
  Event stop;
  ConnectRace race;
  race.addresses = {kHanging, kHanging};
  race.port = hanging.port();
  race.timeoutMs = 90000;
  race.onAttempt = [&](size_t i) {
    if (i == 1) stop.set();  // the user stops the Role while its second attempt runs
  };
  int fd = kInvalidSocket, err = 0;
  size_t winner = 0;
  const int64_t t0 = clock.monotonicMs();
  EXPECT_EQ(connectFirst(race, clock, stop, fd, winner, err), kNetStopped);
  EXPECT_LE(clock.monotonicMs() - t0, 250 + kNetSliceMs);
  EXPECT_FALSE(stop.isSet());
}

TEST(ConnectRace, FamiliesTakeTurnsFromTheFirstOnesFamily) {
  const struct {
    std::vector<std::string> in, out;
  } cases[] = {
      {{}, {}},
      {{"::1", "::2", "10.0.0.1"}, {"::1", "10.0.0.1", "::2"}},
      {{"10.0.0.1", "10.0.0.2", "::1", "::2"}, {"10.0.0.1", "::1", "10.0.0.2", "::2"}},
      {{"10.0.0.1", "10.0.0.2"}, {"10.0.0.1", "10.0.0.2"}},
  };
  for (const auto& c : cases) EXPECT_EQ(interleaveFamilies(c.in), c.out);
}

}  // namespace
}  // namespace fw

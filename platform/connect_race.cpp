#include "platform/connect_race.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "platform/socket.h"
#include "platform/socket_io.h"

namespace fw {

namespace {

struct Attempt {
  int fd;
  size_t index;
};

class Race {
 public:
  Race(const ConnectRace& race, Clock& clock, int& given)
      : m_race(race), m_clock(clock), m_given(given) {}
  ~Race() {
    for (Attempt& a : m_live) closeSocket(a.fd);
    closeSocket(m_given);
  }

  int run(Event& stop, int& fd, size_t& winner, int& errorOut);

 private:
  // Starts attempts until one is in flight or connected, or none is left. 1 when one
  // connected at once (`m_done` set), 0 otherwise.
  int startNext();
  int takeSocket(int family);
  // Looks at the sockets poll() found ready: 1 when one connected.
  int settle(std::vector<pollfd>& polled);

  const ConnectRace& m_race;
  Clock& m_clock;
  int& m_given;  // the caller's fresh socket, until an attempt takes it
  std::vector<Attempt> m_live;
  size_t m_next = 0;
  int64_t m_lastStart = 0;
  int m_lastError = EINVAL;
  Attempt m_done{kInvalidSocket, 0};
};

int Race::takeSocket(int family) {
  int fd = kInvalidSocket;
  if (m_given >= 0 && socketFamily(m_given) == family) {
    fd = m_given;
    m_given = kInvalidSocket;
    return fd;
  }
  int err = 0;
  if (createStreamSocket(fd, err, family) != SocketSetup::Ok) {
    m_lastError = err;
    return kInvalidSocket;
  }
  return fd;
}

int Race::startNext() {
  while (m_next < m_race.addresses.size()) {
    size_t index = m_next++;
    const std::string& address = m_race.addresses[index];
    sockaddr_storage sa{};
    socklen_t len = 0;
    if (!makeSocketAddress(address, m_race.port, sa, len)) {
      m_lastError = EINVAL;
      continue;
    }
    if (m_race.onAttempt) m_race.onAttempt(index);
    m_lastStart = m_clock.monotonicMs();
    int fd = takeSocket(sa.ss_family);
    if (fd < 0) continue;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), len) == 0) {
      m_done = Attempt{fd, index};
      return 1;
    }
    if (errno == EINPROGRESS || errno == EINTR) {
      m_live.push_back(Attempt{fd, index});
      return 0;
    }
    // Refused or unreachable at once (no route for the family): the next one goes now.
    m_lastError = errno;
    closeSocket(fd);
  }
  return 0;
}

int Race::settle(std::vector<pollfd>& polled) {
  bool failed = false;
  for (size_t i = 0; i < polled.size(); ++i) {
    if (polled[i].revents == 0) continue;
    int soError = 0;
    socklen_t len = sizeof soError;
    if (::getsockopt(polled[i].fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0) soError = errno;
    auto it = std::find_if(m_live.begin(), m_live.end(),
                           [&](const Attempt& a) { return a.fd == polled[i].fd; });
    if (soError == 0) {
      m_done = *it;
      m_live.erase(it);
      return 1;
    }
    m_lastError = soError;
    closeSocket(it->fd);
    m_live.erase(it);
    failed = true;
  }
  // A failed attempt hands its turn on at once instead of waiting out the stagger.
  if (failed) return startNext();
  return 0;
}

int Race::run(Event& stop, int& fd, size_t& winner, int& errorOut) {
  const bool simulated = !runsInRealTime(m_clock);
  const int64_t start = m_clock.monotonicMs();
  int done = startNext();
  // Bounded: every pass that does not return spends a slice of the clock's time (or
  // starts an attempt, of which there are finitely many).
  while (done == 0) {
    if (stop.tryWait()) return kNetStopped;
    if (m_live.empty()) {
      errorOut = m_lastError;
      return 0;
    }
    const int64_t now = m_clock.monotonicMs();
    const int64_t left = m_race.timeoutMs - (now - start);
    if (left <= 0) return -9;
    int64_t slice = std::min<int64_t>(left, kNetSliceMs);
    if (m_next < m_race.addresses.size()) {
      const int64_t due = m_lastStart + m_race.staggerMs - now;
      if (due <= 0) {
        done = startNext();
        continue;
      }
      slice = std::min(slice, due);
    }
    std::vector<pollfd> polled;
    for (const Attempt& a : m_live) polled.push_back(pollfd{a.fd, POLLOUT, 0});
    int r = ::poll(polled.data(), polled.size(), simulated ? 0 : static_cast<int>(slice));
    if (r < 0 && errno != EINTR) {
      errorOut = errno;
      return 0;
    }
    if (r > 0) {
      done = settle(polled);
      continue;
    }
    if (simulated && m_clock.waitEvent(stop, static_cast<int>(slice))) return kNetStopped;
  }
  fd = m_done.fd;
  winner = m_done.index;
  return 1;
}

}  // namespace

int connectFirst(const ConnectRace& race, Clock& clock, Event& stop, int& fd, size_t& winner,
                 int& errorOut) {
  int given = fd;
  fd = kInvalidSocket;
  int connected = kInvalidSocket;
  int r;
  {
    Race run(race, clock, given);
    r = run.run(stop, connected, winner, errorOut);
  }
  if (r == 1) fd = connected;
  return r;
}

std::vector<std::string> interleaveFamilies(const std::vector<std::string>& addresses) {
  if (addresses.empty()) return {};
  const int first = familyOfAddress(addresses.front());
  std::vector<std::string> primary, secondary;
  for (const std::string& a : addresses)
    (familyOfAddress(a) == first ? primary : secondary).push_back(a);
  std::vector<std::string> out;
  for (size_t i = 0; i < primary.size() || i < secondary.size(); ++i) {
    if (i < primary.size()) out.push_back(primary[i]);
    if (i < secondary.size()) out.push_back(secondary[i]);
  }
  return out;
}

}  // namespace fw

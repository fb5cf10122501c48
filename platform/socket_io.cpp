#include "platform/socket_io.h"

#include "platform/socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <cerrno>

#include <algorithm>

namespace fw {

namespace {
// Only the real clock's time passes while poll() blocks; any other clock is simulated
// time, which moves when the slice is spent on it.
bool isSimulated(Clock& clock) {
  return !runsInRealTime(clock);
}

int mapWait(SocketWait w) {
  switch (w) {
    case SocketWait::TimedOut:
      return -9;
    case SocketWait::Stopped:
      return kNetStopped;
    default:
      return -1;
  }
}
}  // namespace

SocketWait waitSocket(int fd, short events, Clock& clock, Event& stop, int64_t timeoutMs,
                      int& errorOut) {
  const bool simulated = isSimulated(clock);
  const int64_t start = clock.monotonicMs();
  // Bounded: each pass spends up to one slice of the clock's time, or returns.
  for (;;) {
    if (stop.tryWait()) return SocketWait::Stopped;
    int64_t left = timeoutMs - (clock.monotonicMs() - start);
    int slice = static_cast<int>(std::clamp<int64_t>(left, 0, kNetSliceMs));
    pollfd p{fd, events, 0};
    int r = ::poll(&p, 1, simulated ? 0 : slice);
    if (r < 0 && errno != EINTR) {
      errorOut = errno;
      return SocketWait::Failed;
    }
    if (r > 0) return SocketWait::Ready;
    if (simulated && slice > 0 && clock.waitEvent(stop, slice)) return SocketWait::Stopped;
    if (clock.monotonicMs() - start >= timeoutMs) return SocketWait::TimedOut;
  }
}

int connectSocket(int fd, const std::string& address, uint16_t port, Clock& clock, Event& stop,
                  int64_t timeoutMs, int& errorOut) {
  sockaddr_storage a{};
  socklen_t addressLen = 0;
  if (!makeSocketAddress(address, port, a, addressLen)) {
    errorOut = EINVAL;
    return 0;
  }
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), addressLen) == 0) return 1;
  if (errno != EINPROGRESS && errno != EINTR) {
    errorOut = errno;
    return 0;
  }
  SocketWait w = waitSocket(fd, POLLOUT, clock, stop, timeoutMs, errorOut);
  if (w == SocketWait::Failed) return 0;
  if (w != SocketWait::Ready) return mapWait(w);
  int soError = 0;
  socklen_t len = sizeof soError;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0) soError = errno;
  if (soError != 0) {
    errorOut = soError;
    return 0;
  }
  return 1;
}

int recvSome(int& errorOut, int fd, void* buffer, size_t capacity, Clock& clock, Event& stop,
             int64_t timeoutMs) {
  // Bounded: every pass either returns or follows a wait that spent clock time.
  for (;;) {
    ssize_t n = ::recv(fd, buffer, capacity, 0);
    if (n > 0) return static_cast<int>(n);
    if (n == 0) return -10;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      errorOut = errno;
      return 0;
    }
    SocketWait w = waitSocket(fd, POLLIN, clock, stop, timeoutMs, errorOut);
    if (w != SocketWait::Ready) return mapWait(w);
  }
}

int recvExact(int& errorOut, int fd, void* buffer, size_t count, Clock& clock, Event& stop,
              int64_t timeoutMs) {
  auto* p = static_cast<unsigned char*>(buffer);
  size_t got = 0;
  while (got < count) {
    int n = recvSome(errorOut, fd, p + got, count - got, clock, stop, timeoutMs);
    if (n <= 0) return n;
    got += static_cast<size_t>(n);
  }
  return 1;
}

int sendAll(int& errorOut, int fd, const void* buffer, size_t count, Clock& clock, Event& stop,
            int64_t timeoutMs) {
  const auto* p = static_cast<const unsigned char*>(buffer);
  size_t sent = 0;
  while (sent < count) {
    ssize_t n = ::send(fd, p + sent, count - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      errorOut = errno;
      return -1;
    }
    SocketWait w = waitSocket(fd, POLLOUT, clock, stop, timeoutMs, errorOut);
    if (w != SocketWait::Ready) return mapWait(w);
  }
  return static_cast<int>(count);
}

}  // namespace fw

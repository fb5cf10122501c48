#include "engine/ftp/ftp_socket_link.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/ftp/ftp_log.h"
#include "engine/net/proxy_tunnel.h"
#include "engine/url/host_text.h"
#include "platform/socket.h"
#include "platform/socket_io.h"

namespace fw {

namespace {

class SocketListener final : public FtpListener {
 public:
  SocketListener(int fd, int port, Clock& clock) : m_fd(fd), m_port(port), m_clock(clock) {}
  ~SocketListener() override { closeSocket(m_fd); }
  int port() const override { return m_port; }
  int accept(int ms, std::unique_ptr<FtpLink>& out, int& errorOut) override {
    SocketWait w = waitSocket(m_fd, POLLIN, m_clock, m_never, ms, errorOut);
    if (w == SocketWait::Failed) return -1;
    if (w != SocketWait::Ready) return 0;
    int fd = ::accept(m_fd, nullptr, nullptr);
    if (fd < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
      errorOut = errno;
      return -1;
    }
    int err = 0;
    setNonBlocking(fd, true, err);
    out = std::make_unique<FtpSocketLink>(fd, m_clock, 90000);
    return 1;
  }

 private:
  int m_fd;
  int m_port;
  Clock& m_clock;
  Event m_never{Event::Reset::Manual};
};

}  // namespace

FtpSocketLink::FtpSocketLink(int fd, Clock& clock, int sendTimeoutMs, std::string initial)
    : m_fd(fd), m_clock(clock), m_sendTimeoutMs(sendTimeoutMs), m_initial(std::move(initial)) {}

FtpSocketLink::~FtpSocketLink() {
  closeSocket(m_fd);
}

long FtpSocketLink::sendAll(const char* data, size_t len, int& errorOut) {
  int r = fw::sendAll(errorOut, m_fd, data, len, m_clock, m_never, m_sendTimeoutMs);
  return r < 0 ? -1 : r;
}

int FtpSocketLink::waitReadable(int ms, int& errorOut) {
  if (!m_initial.empty()) return 1;
  switch (waitSocket(m_fd, POLLIN, m_clock, m_never, ms, errorOut)) {
    case SocketWait::Ready:
      return 1;
    case SocketWait::Failed:
      return -1;
    default:
      return 0;
  }
}

long FtpSocketLink::receive(char* buf, size_t len, int& errorOut) {
  if (!m_initial.empty()) {
    size_t n = std::min(len, m_initial.size());
    std::memcpy(buf, m_initial.data(), n);
    m_initial.erase(0, n);
    return static_cast<long>(n);
  }
  for (;;) {
    ssize_t n = ::recv(m_fd, buf, len, 0);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      // Readiness without bytes: wait one slice so callers see no data, not an error.
      if (waitReadable(50, errorOut) < 0) return -1;
      continue;
    }
    errorOut = errno;
    return -1;
  }
}

long FtpSocketLink::receiveNow(char* buf, size_t len, int& errorOut) {
  if (!m_initial.empty()) return receive(buf, len, errorOut);
  for (;;) {
    ssize_t n = ::recv(m_fd, buf, len, 0);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return kLinkWouldBlock;
    errorOut = errno;
    return -1;
  }
}

std::string FtpSocketLink::peerAddress() const {
  return socketAddress(m_fd, true);
}
std::string FtpSocketLink::localAddress() const {
  return socketAddress(m_fd, false);
}

int FtpSocketDialer::connect(RoleRecord& role, const ProxyRecord& proxy, const std::string& ip,
                             int port, int timeoutMs, std::unique_ptr<FtpLink>& out,
                             int& errorOut) {
  Clock& clock = roleClock(role);
  bool tunnel =
      proxy.type == kProxyHttpConnect || proxy.type == kProxySocks4 || proxy.type == kProxySocks5;
  std::string host(tunnel ? unbracketedHost(proxy.server) : std::string_view(ip));
  int hostPort = tunnel ? proxy.port : port;
  // A data connection needs an address: the control connection's peer, or the proxy's
  // address as the control connection reached it.
  if (tunnel && !isDottedIPv4(host) && !isNumericIPv6(host) && !role.connectedAddress.empty())
    host = role.connectedAddress;
  int fd = kInvalidSocket;
  if (createStreamSocket(fd, errorOut, familyOfAddress(host)) != SocketSetup::Ok) return 0;
  int r = connectSocket(fd, host, static_cast<uint16_t>(hostPort), clock, role.stopEvent, timeoutMs,
                        errorOut);
  if (r == kNetStopped) {
    closeSocket(fd);
    return role.outcome.load();
  }
  if (r != 1) {
    closeSocket(fd);
    return r;
  }
  std::string spill;
  if (tunnel) {
    int t =
        OpenTunnel(errorOut, fd, role, proxy, ip, static_cast<uint16_t>(port), dataOutMs, spill);
    if (t != 1) {
      closeSocket(fd);
      return t < 0 ? t : 0;
    }
  }
  out = std::make_unique<FtpSocketLink>(fd, clock, dataOutMs, std::move(spill));
  return 1;
}

int FtpSocketDialer::listen(const std::string& localIp, std::unique_ptr<FtpListener>& out,
                            int& errorOut) {
  // The listener takes the address the server knows this end by; without one, any
  // IPv4 address.
  sockaddr_storage a{};
  socklen_t len = 0;
  if (!makeSocketAddress(localIp, 0, a, len)) makeSocketAddress("0.0.0.0", 0, a, len);
  int fd = kInvalidSocket;
  if (createStreamSocket(fd, errorOut, a.ss_family) != SocketSetup::Ok) return -1;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(fd, 4) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    errorOut = errno;
    closeSocket(fd);
    return -1;
  }
  const uint16_t port = a.ss_family == AF_INET6
                            ? ntohs(reinterpret_cast<sockaddr_in6*>(&a)->sin6_port)
                            : ntohs(reinterpret_cast<sockaddr_in*>(&a)->sin_port);
  out = std::make_unique<SocketListener>(fd, port, Clock::system());
  return 1;
}

}  // namespace fw

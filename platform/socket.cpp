#include "platform/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>

namespace fw {

SocketSetup createStreamSocket(int& fd, int& errorOut, int family) {
  fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    errorOut = errno;
    fd = kInvalidSocket;
    return SocketSetup::CreateFailed;
  }
  int one = 1;
  if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) != 0) {
    errorOut = errno;
    closeSocket(fd);
    return SocketSetup::OptionFailed;
  }
  if (!setNonBlocking(fd, true, errorOut)) {
    closeSocket(fd);
    return SocketSetup::NonBlockFailed;
  }
  for (int size = 65536; size >= 1; size /= 2) {
    if (::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size) == 0) break;
  }
  return SocketSetup::Ok;
}

void closeSocket(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = kInvalidSocket;
}

void shutdownSocket(int fd) {
  if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
}

bool setNonBlocking(int fd, bool on, int& errorOut) {
  int flags = ::fcntl(fd, F_GETFL, 0);
  if (flags < 0) {
    errorOut = errno;
    return false;
  }
  int wanted = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  if (wanted != flags && ::fcntl(fd, F_SETFL, wanted) != 0) {
    errorOut = errno;
    return false;
  }
  return true;
}

bool isDottedIPv4(const std::string& host) {
  in_addr a{};
  return !host.empty() && ::inet_pton(AF_INET, host.c_str(), &a) == 1;
}

bool isNumericIPv6(const std::string& host) {
  in6_addr a{};
  return !host.empty() && ::inet_pton(AF_INET6, host.c_str(), &a) == 1;
}

int familyOfAddress(const std::string& address) {
  return isNumericIPv6(address) ? AF_INET6 : AF_INET;
}

int socketFamily(int fd) {
  int family = -1;
  socklen_t len = sizeof family;
  if (::getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &family, &len) != 0) return -1;
  return family;
}

std::string socketAddress(int fd, bool peer) {
  sockaddr_storage a{};
  socklen_t len = sizeof a;
  auto* sa = reinterpret_cast<sockaddr*>(&a);
  if ((peer ? ::getpeername(fd, sa, &len) : ::getsockname(fd, sa, &len)) != 0) return {};
  char text[INET6_ADDRSTRLEN] = {};
  const void* bytes = nullptr;
  if (a.ss_family == AF_INET)
    bytes = &reinterpret_cast<sockaddr_in*>(&a)->sin_addr;
  else if (a.ss_family == AF_INET6)
    bytes = &reinterpret_cast<sockaddr_in6*>(&a)->sin6_addr;
  if (bytes == nullptr || ::inet_ntop(a.ss_family, bytes, text, sizeof text) == nullptr) return {};
  return text;
}

bool makeSocketAddress(const std::string& address, uint16_t port, sockaddr_storage& out,
                       socklen_t& len) {
  out = sockaddr_storage{};
  auto* v4 = reinterpret_cast<sockaddr_in*>(&out);
  if (::inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(port);
    len = sizeof *v4;
    return true;
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&out);
  if (::inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(port);
    len = sizeof *v6;
    return true;
  }
  return false;
}

}  // namespace fw

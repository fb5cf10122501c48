#include "platform/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>

namespace fw {

SocketSetup createStreamSocket(int& fd, int& errorOut) {
  fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
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

}  // namespace fw

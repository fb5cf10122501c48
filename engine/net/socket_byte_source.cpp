#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "engine/net/byte_source.h"

namespace fw {

int SocketByteSource::waitReadable(int ms) {
  pollfd p{m_fd, POLLIN, 0};
  int r;
  do {
    r = ::poll(&p, 1, ms);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return -1;
  return r > 0 ? 1 : 0;
}

int SocketByteSource::read(uint8_t* dst, int max, int* error) {
  ssize_t got;
  do {
    got = ::recv(m_fd, dst, static_cast<size_t>(max), 0);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    if (error) *error = errno;
    return -1;
  }
  return static_cast<int>(got);
}

int SocketByteSource::readNow(uint8_t* dst, int max, int* error) {
  int err = 0;
  int got = read(dst, max, &err);
  if (got >= 0) return got;
  // The socket is non-blocking: an empty queue is not an error.
  if (err == EAGAIN || err == EWOULDBLOCK) return kReadWouldBlock;
  if (error) *error = err;
  return -1;
}

}  // namespace fw

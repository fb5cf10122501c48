#include "platform/socket_buffer.h"

#include <sys/socket.h>

namespace fw {

int setReceiveBufferSize(int fd, int wanted) {
  for (int size = wanted; size >= 1; size /= 2) {
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size) == 0) return size;
  }
  return 0;
}

int ensureReceiveBufferSize(int fd, int wanted) {
  int current = 0;
  socklen_t len = sizeof current;
  // Linux reports twice the size asked for (its bookkeeping share); what it reports is
  // what the connection gets.
  if (::getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &current, &len) == 0 && current >= wanted)
    return current;
  return setReceiveBufferSize(fd, wanted);
}

}  // namespace fw

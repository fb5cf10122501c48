#include "platform/socket_buffer.h"

#include <sys/socket.h>

namespace fw {

int setReceiveBufferSize(int fd, int wanted) {
  for (int size = wanted; size >= 1; size /= 2) {
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size) == 0) return size;
  }
  return 0;
}

}  // namespace fw

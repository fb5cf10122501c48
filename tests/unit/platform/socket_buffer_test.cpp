#include "platform/socket_buffer.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

namespace fw {
namespace {

int receiveBuffer(int fd) {
  int v = 0;
  socklen_t len = sizeof v;
  return ::getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &v, &len) == 0 ? v : -1;
}

struct SocketPair {
  int fd[2] = {-1, -1};
  SocketPair() { EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fd), 0); }
  ~SocketPair() {
    ::close(fd[0]);
    ::close(fd[1]);
  }
};

TEST(SocketBuffer, ASmallBufferIsRaisedAndALargeOneLeftToTheKernel) {
  SocketPair small;
  int tiny = 4096;
  ASSERT_EQ(::setsockopt(small.fd[0], SOL_SOCKET, SO_RCVBUF, &tiny, sizeof tiny), 0);
  ASSERT_LT(receiveBuffer(small.fd[0]), 65536);
  EXPECT_GT(ensureReceiveBufferSize(small.fd[0], 65536), 0);
  EXPECT_GE(receiveBuffer(small.fd[0]), 65536);

  SocketPair large;
  int big = 1 << 20;
  ASSERT_EQ(::setsockopt(large.fd[0], SOL_SOCKET, SO_RCVBUF, &big, sizeof big), 0);
  const int before = receiveBuffer(large.fd[0]);
  ASSERT_GE(before, 65536);
  EXPECT_EQ(ensureReceiveBufferSize(large.fd[0], 65536), before);
  EXPECT_EQ(receiveBuffer(large.fd[0]), before) << "an ample buffer must not be cut down";
}

TEST(SocketBuffer, ANonSocketGivesZero) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  EXPECT_EQ(ensureReceiveBufferSize(fds[0], 65536), 0);
  ::close(fds[0]);
  ::close(fds[1]);
}

}  // namespace
}  // namespace fw

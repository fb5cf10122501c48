// Socket creation, sliced connect and receive waits on a real loopback socket: results
// for each way a wait can end, stop requests within one slice, and long time-outs that
// pass at once on a fake clock.

#include "platform/socket_io.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/fake_clock.h"
#include "platform/socket.h"

namespace fw {
namespace {

// A listening socket on 127.0.0.1 with the given backlog.
struct Listener {
  int fd = -1;
  uint16_t port = 0;
  explicit Listener(int backlog = 8) {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd, backlog);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
  }
  ~Listener() { ::close(fd); }
  int acceptOne() { return ::accept(fd, nullptr, nullptr); }
};

int64_t elapsedMs(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               t0)
      .count();
}

TEST(Socket, CreatedWithTheRoleOptions) {
  int fd = kInvalidSocket, err = 0;
  ASSERT_EQ(createStreamSocket(fd, err), SocketSetup::Ok);
  int v = 0;
  socklen_t len = sizeof v;
  ASSERT_EQ(::getsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &v, &len), 0);
  EXPECT_NE(v, 0);
  ASSERT_EQ(::getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &v, &len), 0);
  EXPECT_NE(v, 0);
  ASSERT_EQ(::getsockopt(fd, SOL_SOCKET, SO_SNDBUF, &v, &len), 0);
  EXPECT_GE(v, 4096);
  EXPECT_NE(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
  closeSocket(fd);
  EXPECT_EQ(fd, kInvalidSocket);
}

TEST(Socket, DottedIPv4Detection) {
  struct {
    const char* host;
    bool dotted;
  } cases[] = {{"127.0.0.1", true},  {"10.20.30.40", true}, {"localhost", false},
               {"1.2.3", false},     {"256.1.1.1", false},  {"", false},
               {"1.2.3.4.5", false}, {"::1", false},        {"1.2.3.4 ", false}};
  for (const auto& c : cases) EXPECT_EQ(isDottedIPv4(c.host), c.dotted) << c.host;
}

TEST(SocketIo, ConnectRefusedAndConnected) {
  Event stop;
  int fd = kInvalidSocket, err = 0;
  {
    Listener gone;
    uint16_t port = gone.port;
    ::close(gone.fd);
    gone.fd = -1;
    ASSERT_EQ(createStreamSocket(fd, err), SocketSetup::Ok);
    EXPECT_EQ(connectSocket(fd, "127.0.0.1", port, Clock::system(), stop, 2000, err), 0);
    EXPECT_EQ(err, ECONNREFUSED);
    closeSocket(fd);
  }
  Listener l;
  ASSERT_EQ(createStreamSocket(fd, err), SocketSetup::Ok);
  EXPECT_EQ(connectSocket(fd, "127.0.0.1", l.port, Clock::system(), stop, 2000, err), 1);
  closeSocket(fd);
}

// A listener whose queue is full leaves further connects unanswered.
class HangingConnect : public ::testing::Test {
 protected:
  void SetUp() override {
    int err = 0;
    // Fill the queue: connects that complete at once are kept open.
    for (int i = 0; i < 16; ++i) {
      int fd = kInvalidSocket;
      ASSERT_EQ(createStreamSocket(fd, err), SocketSetup::Ok);
      if (connectSocket(fd, "127.0.0.1", l.port, fake, quiet, 0, err) != 1) {
        closeSocket(fd);
        break;
      }
      filler.push_back(fd);
    }
    ASSERT_EQ(createStreamSocket(probe, err), SocketSetup::Ok);
  }
  void TearDown() override {
    for (int& fd : filler) closeSocket(fd);
    closeSocket(probe);
  }
  Listener l{0};
  FakeClock fake;
  Event quiet;
  std::vector<int> filler;
  int probe = kInvalidSocket;
};

TEST_F(HangingConnect, TimesOutOnTheInjectedClock) {
  int err = 0;
  Event stop;
  int64_t t0 = fake.monotonicMs();
  EXPECT_EQ(connectSocket(probe, "127.0.0.1", l.port, fake, stop, 90000, err), -9);
  EXPECT_GE(fake.monotonicMs() - t0, 90000);
  EXPECT_LT(fake.monotonicMs() - t0, 90000 + kNetSliceMs);
}

TEST_F(HangingConnect, StopIsHonouredWithinOneSlice) {
  int err = 0;
  Event stop;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    stop.set();
  });
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(connectSocket(probe, "127.0.0.1", l.port, Clock::system(), stop, 30000, err),
            kNetStopped);
  int64_t ms = elapsedMs(t0);
  stopper.join();
  EXPECT_GE(ms, 100);
  EXPECT_LT(ms, 120 + kNetSliceMs + 100);
  EXPECT_FALSE(stop.isSet());  // the signal was taken
}

TEST(SocketIo, RecvExactResults) {
  Listener l;
  Event stop;
  int fd = kInvalidSocket, err = 0;
  ASSERT_EQ(createStreamSocket(fd, err), SocketSetup::Ok);
  ASSERT_EQ(connectSocket(fd, "127.0.0.1", l.port, Clock::system(), stop, 2000, err), 1);
  int peer = l.acceptOne();
  ASSERT_GE(peer, 0);
  char buf[8] = {};

  // Arriving in pieces still gives exactly the count.
  std::thread writer([peer] {
    for (const char* part : {"ab", "cde", "fgh"}) {
      (void)!::write(peer, part, std::strlen(part));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  EXPECT_EQ(recvExact(err, fd, buf, 8, Clock::system(), stop, 2000), 1);
  writer.join();
  EXPECT_EQ(std::string(buf, 8), "abcdefgh");

  // Nothing comes: a 90 s wait ends at once on the fake clock.
  FakeClock fake;
  EXPECT_EQ(recvExact(err, fd, buf, 1, fake, stop, 90000), -9);

  // Stop already requested: seen before the first wait.
  stop.set();
  EXPECT_EQ(recvExact(err, fd, buf, 1, Clock::system(), stop, 90000), kNetStopped);

  // Three bytes, then the peer closes before the fourth.
  (void)!::write(peer, "xyz", 3);
  ::close(peer);
  EXPECT_EQ(recvExact(err, fd, buf, 4, Clock::system(), stop, 2000), -10);
  closeSocket(fd);
}

TEST(SocketIo, SendAllDeliversLargeBlocksAndReportsAClosedPeer) {
  Listener l;
  Event stop;
  int fd = kInvalidSocket, err = 0;
  ASSERT_EQ(createStreamSocket(fd, err), SocketSetup::Ok);
  ASSERT_EQ(connectSocket(fd, "127.0.0.1", l.port, Clock::system(), stop, 2000, err), 1);
  int peer = l.acceptOne();
  std::string block(4 << 20, 'z');  // larger than any socket buffer: needs waits
  size_t got = 0;
  std::thread reader([&] {
    char b[65536];
    for (ssize_t n; got < block.size() && (n = ::read(peer, b, sizeof b)) > 0;) got += n;
  });
  EXPECT_EQ(sendAll(err, fd, block.data(), block.size(), Clock::system(), stop, 5000),
            static_cast<int>(block.size()));
  reader.join();
  EXPECT_EQ(got, block.size());
  ::close(peer);
  // Writing to a closed peer fails with an error instead of killing the process.
  int r = 1;
  for (int i = 0; i < 50 && r > 0; ++i)
    r = sendAll(err, fd, block.data(), 65536, Clock::system(), stop, 1000);
  EXPECT_EQ(r, -1);
  EXPECT_TRUE(err == EPIPE || err == ECONNRESET) << err;
  closeSocket(fd);
}

}  // namespace
}  // namespace fw

#include "platform/control_socket.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/fake_clock.h"
#include "platform/message_loop.h"
#include "platform/sync.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

// Serves `loop` on this thread while `client` runs on another; bounded.
template <typename F>
void serveWhile(MessageLoop& loop, F client) {
  Event done(Event::Reset::Manual);
  std::thread t([&] {
    client();
    done.set();
    loop.wakeUp();
  });
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done.isSet() && std::chrono::steady_clock::now() < end) {
    pollfd p{loop.wakeFd(), POLLIN, 0};
    ::poll(&p, 1, 20);
    loop.processPending();
  }
  t.join();
  ASSERT_TRUE(done.isSet());
}

int connectRaw(const std::string& path) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Reads `count` bytes, or what came within 2 s.
std::string readSome(int fd, size_t count) {
  std::string got;
  char buf[4096];
  for (int i = 0; i < 100 && got.size() < count; ++i) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    ssize_t n = ::recv(fd, buf, std::min(sizeof buf, count - got.size()), 0);
    if (n <= 0) break;
    got.append(buf, static_cast<size_t>(n));
  }
  return got;
}

// Reads until the peer closes or 2 s pass.
std::string readToEnd(int fd) {
  std::string got;
  char buf[4096];
  for (int i = 0; i < 100; ++i) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    got.append(buf, static_cast<size_t>(n));
  }
  return got;
}

struct Fixture {
  test::TempDir dir{"fwctl"};
  std::string path = dir.file("run/control.sock");
  MessageLoop loop;
  std::vector<ControlRequest> seen;
  ControlServer server{loop,
                       [this](const ControlRequest& r) {
                         seen.push_back(r);
                         return ControlReply{static_cast<int32_t>(r.kind) * -1, r.payload + "!"};
                       },
                       64};
};

TEST(ControlSocket, AnswersEachRequestAndKeepsTheConnectionForMore) {
  Fixture f;
  ASSERT_EQ(f.server.listen(f.path), ControlServer::Listen::Listening);
  struct stat st {};
  ASSERT_EQ(::stat(f.path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat(f.dir.file("run").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  ControlReply reply;
  ControlCall call = ControlCall::Failed;
  std::string pipelined;
  serveWhile(f.loop, [&] {
    call = controlCall(f.path, {7, "abc"}, reply, 5000);
    // Two frames in one write, the second split across the frame head.
    int fd = connectRaw(f.path);
    std::string two = encodeControlFrame(1, "x") + encodeControlFrame(2, "yz");
    ::send(fd, two.data(), two.size() - 5, MSG_NOSIGNAL);
    // The first answer comes while the second frame is still incomplete.
    pipelined = readSome(fd, 10);
    ::send(fd, two.data() + two.size() - 5, 5, MSG_NOSIGNAL);
    ::shutdown(fd, SHUT_WR);
    pipelined += readToEnd(fd);
    ::close(fd);
  });
  ASSERT_EQ(call, ControlCall::Answered);
  EXPECT_EQ(reply.result, -7);
  EXPECT_EQ(reply.payload, "abc!");
  EXPECT_EQ(pipelined, encodeControlFrame(static_cast<uint32_t>(-1), "x!") +
                           encodeControlFrame(static_cast<uint32_t>(-2), "yz!"));
  ASSERT_EQ(f.seen.size(), 3u);
}

TEST(ControlSocket, OversizedFrameIsRefusedAndClosedWithoutCallingTheHandler) {
  Fixture f;
  ASSERT_EQ(f.server.listen(f.path), ControlServer::Listen::Listening);
  std::string got;
  serveWhile(f.loop, [&] {
    int fd = connectRaw(f.path);
    std::string head = encodeControlFrame(3, std::string(65, 'a')).substr(0, 8);
    ::send(fd, head.data(), head.size(), MSG_NOSIGNAL);
    got = readToEnd(fd);
    ::close(fd);
  });
  EXPECT_EQ(got, encodeControlFrame(static_cast<uint32_t>(kControlTooLarge), ""));
  EXPECT_TRUE(f.seen.empty());
  EXPECT_EQ(f.server.peerCount(), 0);
}

TEST(ControlSocket, OneOwnerPerSocketAndAStaleSocketIsReplaced) {
  Fixture f;
  ControlReply reply;
  EXPECT_EQ(controlCall(f.path, {1, ""}, reply, 1000), ControlCall::NoServer);
  ASSERT_EQ(f.server.listen(f.path), ControlServer::Listen::Listening);
  ControlServer second(f.loop, nullptr);
  EXPECT_EQ(second.listen(f.path), ControlServer::Listen::AlreadyOwned);

  f.server.close();
  EXPECT_NE(::access(f.path.c_str(), F_OK), 0);
  // A socket file left by a process that ended without cleaning up.
  int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, f.path.c_str(), sizeof addr.sun_path - 1);
  ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ::close(stale);
  EXPECT_EQ(controlCall(f.path, {1, ""}, reply, 1000), ControlCall::NoServer);
  EXPECT_EQ(second.listen(f.path), ControlServer::Listen::Listening);
}

TEST(ControlSocket, IdlePeersAreDroppedOnTheLoopsClock) {
  test::TempDir dir{"fwctl"};
  FakeClock clock;
  MessageLoop loop(clock);
  ControlServer server(loop, nullptr);
  ASSERT_EQ(server.listen(dir.file("c.sock")), ControlServer::Listen::Listening);
  int fd = connectRaw(dir.file("c.sock"));
  ASSERT_GE(fd, 0);
  ::send(fd, "\x01\x00", 2, MSG_NOSIGNAL);  // half a frame head, then nothing
  for (int i = 0; i < 50 && server.peerCount() == 0; ++i) {
    pollfd p{loop.wakeFd(), POLLIN, 0};
    ::poll(&p, 1, 10);
    loop.processPending();
  }
  ASSERT_EQ(server.peerCount(), 1);
  for (int i = 0; i < 5; ++i) {  // let it read the two bytes before time moves
    pollfd p{loop.wakeFd(), POLLIN, 0};
    ::poll(&p, 1, 10);
    loop.processPending();
  }
  clock.advanceMs(kControlIdleMs - 1000);
  loop.processPending();
  EXPECT_EQ(server.peerCount(), 1);
  clock.advanceMs(1000);
  loop.processPending();
  EXPECT_EQ(server.peerCount(), 0);
  ::close(fd);
}

TEST(ControlSocket, PeersOfAnotherUserAreRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run a client under another user id";
  Fixture f;
  std::string path = f.dir.file("open/c.sock");
  ASSERT_EQ(f.server.listen(path), ControlServer::Listen::Listening);
  // Let the other user reach the socket, so that only the credential check stops it.
  ::chmod(f.dir.path().c_str(), 0755);
  ::chmod(f.dir.file("open").c_str(), 0755);
  ::chmod(path.c_str(), 0666);
  int status = -1;
  serveWhile(f.loop, [&] {
    pid_t child = ::fork();
    if (child == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) _exit(3);
      int fd = connectRaw(path);
      if (fd < 0) _exit(4);
      std::string frame = encodeControlFrame(9, "hi");
      ::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL);
      _exit(readToEnd(fd).empty() ? 0 : 5);
    }
    ::waitpid(child, &status, 0);
  });
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(f.seen.empty());
}

}  // namespace
}  // namespace fw

#include "platform/control_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>

#include "platform/message_loop.h"
#include "platform/paths.h"

namespace fw {

namespace {

constexpr int kIdleTimerId = 1;
constexpr int kIdleTimerMs = 1000;

void putLe32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint32_t getLe32(const char* p) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(p[i])) << (8 * i);
  return v;
}

bool fillAddress(const std::string& path, sockaddr_un& addr, std::string* error) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof addr.sun_path) {
    if (error)
      *error = "socket path is empty or longer than " + std::to_string(sizeof addr.sun_path - 1) +
               " bytes: " + path;
    return false;
  }
  std::memcpy(addr.sun_path, path.data(), path.size());
  return true;
}

bool peerIsUs(int fd) {
  ucred cred{};
  socklen_t len = sizeof cred;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return false;
  return cred.uid == geteuid();
}

std::string errnoText(const std::string& what, int err) {
  return what + ": " + std::strerror(err);
}

}  // namespace

std::string controlSocketPath() {
  return runtimeDir() + "/control.sock";
}

std::string encodeControlFrame(uint32_t number, std::string_view payload) {
  std::string out;
  out.reserve(8 + payload.size());
  putLe32(out, number);
  putLe32(out, static_cast<uint32_t>(payload.size()));
  out.append(payload);
  return out;
}

bool decodeControlHead(std::string_view bytes, uint32_t& number, uint32_t& length) {
  if (bytes.size() < 8) return false;
  number = getLe32(bytes.data());
  length = getLe32(bytes.data() + 4);
  return true;
}

// ---------------------------------------------------------------------------------------
// Server

struct ControlServer::Impl final : public Window {
  struct Peer {
    int fd = -1;
    std::string in;
    std::string out;
    int64_t lastActivityMs = 0;
    bool busy = false;  // its handler runs (possibly in a nested loop)
    bool closeAfterWrite = false;
    bool peerDone = false;  // it closed its sending side
  };

  Impl(MessageLoop& loop, Handler h, uint32_t maxPayload)
      : Window(loop), handler(std::move(h)), maxPayload(maxPayload) {}

  ~Impl() override { shutdown(); }

  LResult handleMessage(MessageId msg, WParam w, LParam) override {
    if (msg == kMsgTimer && w == kIdleTimerId) dropIdlePeers();
    return 0;
  }

  int64_t nowMs() const { return loop().clock().monotonicMs(); }

  void shutdown() {
    if (listenFd >= 0) {
      loop().unwatchFd(listenFd);
      ::close(listenFd);
      listenFd = -1;
      ::unlink(path.c_str());
      loop().killTimer(this, kIdleTimerId);
    }
    while (!peers.empty()) dropPeer(peers.begin()->first);
    if (lockFd >= 0) {
      ::unlink(lockPath.c_str());
      ::close(lockFd);
      lockFd = -1;
    }
  }

  void acceptAll() {
    for (int guard = 0; guard < 64; ++guard) {
      int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) return;  // EAGAIN, or a peer that vanished before we took it
      if (!peerIsUs(fd) || static_cast<int>(peers.size()) >= kControlMaxPeers) {
        ::close(fd);
        continue;
      }
      uint64_t id = ++lastPeerId;
      peers[id] = Peer{fd, {}, {}, nowMs(), false, false};
      loop().watchFd(fd, POLLIN, [this, id](int, short revents) { onPeer(id, revents); });
    }
  }

  void dropPeer(uint64_t id) {
    auto it = peers.find(id);
    if (it == peers.end()) return;
    loop().unwatchFd(it->second.fd);
    ::close(it->second.fd);
    peers.erase(it);
  }

  void onPeer(uint64_t id, short revents) {
    auto it = peers.find(id);
    if (it == peers.end()) return;
    if (revents & POLLOUT) {
      if (!flush(id)) return;
    }
    if (revents & (POLLIN | POLLHUP | POLLERR)) {
      if (!readInto(id)) return;
      serve(id);
      auto it2 = peers.find(id);
      if (it2 != peers.end() && it2->second.peerDone && !it2->second.busy) {
        it2->second.closeAfterWrite = true;
        flush(id);
      }
    }
  }

  // Reads what is there; false when the peer was dropped. A peer that closed its side
  // still gets the answers to the complete requests it sent.
  bool readInto(uint64_t id) {
    Peer& p = peers[id];
    char buf[16384];
    for (;;) {
      // Never hold more than one frame's worth; the rest waits in the kernel.
      if (p.in.size() >= 8 + static_cast<size_t>(maxPayload)) return true;
      ssize_t n = ::recv(p.fd, buf, sizeof buf, 0);
      if (n > 0) {
        p.in.append(buf, static_cast<size_t>(n));
        p.lastActivityMs = nowMs();
        continue;
      }
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        if (!p.busy)
          dropPeer(id);
        else
          p.closeAfterWrite = true;  // dropped once its handler has returned
        return false;
      }
      p.peerDone = true;
      loop().unwatchFd(p.fd);
      return true;
    }
  }

  void serve(uint64_t id) {
    for (int guard = 0; guard < 1024; ++guard) {
      auto it = peers.find(id);
      if (it == peers.end() || it->second.busy || it->second.closeAfterWrite) return;
      Peer& p = it->second;
      uint32_t kind = 0, length = 0;
      if (!decodeControlHead(p.in, kind, length)) return;
      if (length > maxPayload) {
        p.in.clear();
        p.closeAfterWrite = true;
        queueReply(id, ControlReply{kControlTooLarge, {}});
        return;
      }
      if (p.in.size() < 8 + static_cast<size_t>(length)) return;
      ControlRequest req{kind, p.in.substr(8, length)};
      p.in.erase(0, 8 + static_cast<size_t>(length));
      p.busy = true;
      ControlReply reply = handler ? handler(req) : ControlReply{};
      auto again = peers.find(id);
      if (again == peers.end()) return;
      again->second.busy = false;
      again->second.lastActivityMs = nowMs();
      if (again->second.closeAfterWrite && !again->second.peerDone) {
        dropPeer(id);
        return;
      }
      queueReply(id, reply);
    }
  }

  void queueReply(uint64_t id, const ControlReply& reply) {
    auto it = peers.find(id);
    if (it == peers.end()) return;
    it->second.out += encodeControlFrame(static_cast<uint32_t>(reply.result), reply.payload);
    flush(id);
  }

  // Writes what fits; false when the peer was dropped.
  bool flush(uint64_t id) {
    auto it = peers.find(id);
    if (it == peers.end()) return false;
    Peer& p = it->second;
    while (!p.out.empty()) {
      ssize_t n = ::send(p.fd, p.out.data(), p.out.size(), MSG_NOSIGNAL);
      if (n > 0) {
        p.out.erase(0, static_cast<size_t>(n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        short events = p.peerDone ? POLLOUT : (POLLIN | POLLOUT);
        loop().watchFd(p.fd, events, [this, id](int, short r) { onPeer(id, r); });
        return true;
      }
      dropPeer(id);
      return false;
    }
    if (p.closeAfterWrite) {
      dropPeer(id);
      return false;
    }
    if (p.peerDone)
      loop().unwatchFd(p.fd);
    else
      loop().watchFd(p.fd, POLLIN, [this, id](int, short r) { onPeer(id, r); });
    return true;
  }

  void dropIdlePeers() {
    int64_t now = nowMs();
    std::vector<uint64_t> idle;
    for (auto& [id, p] : peers)
      if (!p.busy && now - p.lastActivityMs >= kControlIdleMs) idle.push_back(id);
    for (uint64_t id : idle) dropPeer(id);
  }

  Handler handler;
  uint32_t maxPayload;
  std::string path;
  std::string lockPath;
  int listenFd = -1;
  int lockFd = -1;
  uint64_t lastPeerId = 0;
  std::map<uint64_t, Peer> peers;
};

ControlServer::ControlServer(MessageLoop& loop, Handler handler, uint32_t maxPayload)
    : m_impl(std::make_unique<Impl>(loop, std::move(handler), maxPayload)) {}

ControlServer::~ControlServer() = default;

ControlServer::Listen ControlServer::listen(const std::string& path, std::string* error) {
  Impl& s = *m_impl;
  if (s.listenFd >= 0) return Listen::Listening;
  sockaddr_un addr;
  if (!fillAddress(path, addr, error)) return Listen::Failed;
  std::string dir = path.substr(0, path.rfind('/'));
  if (!dir.empty() && !makeDirs(dir, 0700, error)) return Listen::Failed;

  std::string lockPath = path + ".lock";
  int lockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lockFd < 0) {
    if (error) *error = errnoText("cannot open " + lockPath, errno);
    return Listen::Failed;
  }
  if (::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    ::close(lockFd);
    if (err == EWOULDBLOCK) return Listen::AlreadyOwned;
    if (error) *error = errnoText("cannot lock " + lockPath, err);
    return Listen::Failed;
  }
  // Whoever held the lock before us has ended; its socket file is stale.
  ::unlink(path.c_str());
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    if (error) *error = errnoText("socket", errno);
    ::close(lockFd);
    return Listen::Failed;
  }
  mode_t old = ::umask(0177);
  int bound = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  int bindErr = errno;
  ::umask(old);
  if (bound != 0 || ::listen(fd, 16) != 0) {
    if (error) *error = errnoText("cannot listen on " + path, bound != 0 ? bindErr : errno);
    ::close(fd);
    ::close(lockFd);
    return Listen::Failed;
  }
  s.path = path;
  s.lockPath = lockPath;
  s.listenFd = fd;
  s.lockFd = lockFd;
  s.loop().watchFd(fd, POLLIN, [&s](int, short) { s.acceptAll(); });
  s.loop().setTimer(&s, kIdleTimerId, kIdleTimerMs);
  return Listen::Listening;
}

void ControlServer::close() {
  m_impl->shutdown();
}

bool ControlServer::listening() const {
  return m_impl->listenFd >= 0;
}

int ControlServer::peerCount() const {
  return static_cast<int>(m_impl->peers.size());
}

// ---------------------------------------------------------------------------------------
// Client

namespace {

using SteadyClock = std::chrono::steady_clock;

int msLeft(SteadyClock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// 1 done, 0 timed out, -1 failed.
int sendAllBy(int fd, std::string_view data, SteadyClock::time_point deadline) {
  size_t off = 0;
  while (off < data.size()) {
    ssize_t n = ::send(fd, data.data() + off, data.size() - off, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      off += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      int wait = msLeft(deadline);
      if (wait == 0) return 0;
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, wait) < 0 && errno != EINTR) return -1;
      continue;
    }
    return -1;
  }
  return 1;
}

// 1 done, 0 timed out, -1 failed or closed early.
int recvAllBy(int fd, char* buf, size_t count, SteadyClock::time_point deadline) {
  size_t off = 0;
  while (off < count) {
    ssize_t n = ::recv(fd, buf + off, count - off, MSG_DONTWAIT);
    if (n > 0) {
      off += static_cast<size_t>(n);
      continue;
    }
    if (n == 0) return -1;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      int wait = msLeft(deadline);
      if (wait == 0) return 0;
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, wait) < 0 && errno != EINTR) return -1;
      continue;
    }
    return -1;
  }
  return 1;
}

}  // namespace

ControlCall controlCall(const std::string& path, const ControlRequest& request, ControlReply& reply,
                        int64_t timeoutMs) {
  auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
  sockaddr_un addr;
  if (!fillAddress(path, addr, nullptr)) return ControlCall::NoServer;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return ControlCall::Failed;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    int err = errno;
    return (err == ENOENT || err == ECONNREFUSED || err == ENOTDIR) ? ControlCall::NoServer
                                                                    : ControlCall::Failed;
  }
  if (!peerIsUs(fd)) return ControlCall::Failed;
  int r = sendAllBy(fd, encodeControlFrame(request.kind, request.payload), deadline);
  if (r <= 0) return r == 0 ? ControlCall::TimedOut : ControlCall::Failed;
  char head[8];
  r = recvAllBy(fd, head, sizeof head, deadline);
  if (r <= 0) return r == 0 ? ControlCall::TimedOut : ControlCall::Failed;
  uint32_t number = 0, length = 0;
  decodeControlHead(std::string_view(head, sizeof head), number, length);
  if (length > kControlDefaultMaxPayload) return ControlCall::Failed;
  std::string payload(length, '\0');
  if (length > 0) {
    r = recvAllBy(fd, payload.data(), length, deadline);
    if (r <= 0) return r == 0 ? ControlCall::TimedOut : ControlCall::Failed;
  }
  reply.result = static_cast<int32_t>(number);
  reply.payload = std::move(payload);
  return ControlCall::Answered;
}

}  // namespace fw

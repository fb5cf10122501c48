#pragma once
// The program's control socket: a local stream socket through which other processes of
// the same user (a second start of the program, fetchwright-cli, the capture host) ask the
// running program for something and get an answer. It stands in for finding the main
// window by its class and sending it a message.
//
// Wire format, both directions: a frame of a 4-byte little-endian number, a 4-byte
// little-endian length and that many bytes. A request's number is its kind; an answer's
// number is the receiver's integer result (signed). One connection carries any number of
// request/answer pairs, one at a time.
//
// The server trusts nothing it reads: a peer of another user id is closed at once, a
// frame longer than the server's bound gets the answer kControlTooLarge and the
// connection is closed, a connection that does not complete a frame within the idle time
// is closed, and at most kControlMaxPeers peers are served at once.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace fw {

class MessageLoop;

inline constexpr uint32_t kControlDefaultMaxPayload = 1024 * 1024;
inline constexpr int kControlMaxPeers = 16;
inline constexpr int64_t kControlIdleMs = 10000;

// Results the server itself answers with (handlers answer with their own integers).
inline constexpr int32_t kControlTooLarge = -1000;

struct ControlRequest {
  uint32_t kind = 0;
  std::string payload;
};

struct ControlReply {
  int32_t result = 0;
  std::string payload;
};

// "<runtimeDir()>/control.sock".
std::string controlSocketPath();

// Serves the control socket on the main thread's message loop. Main thread only.
class ControlServer {
 public:
  // Called on the main thread for each complete request; its reply is sent back. The
  // handler may run a nested event loop (a modal dialog): the server stays consistent
  // when other peers are served meanwhile or the asking peer has gone.
  using Handler = std::function<ControlReply(const ControlRequest&)>;

  ControlServer(MessageLoop& loop, Handler handler,
                uint32_t maxPayload = kControlDefaultMaxPayload);
  ~ControlServer();
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

  enum class Listen { Listening, AlreadyOwned, Failed };

  // Creates the socket's folder (mode 0700) when missing, takes the exclusive lock
  // "<socket>.lock" beside it and binds `path` (mode 0600), replacing a socket file that
  // a process which no longer runs left behind. AlreadyOwned: another process holds the
  // lock (it is running or just starting). Failed: `error` says why.
  Listen listen(const std::string& path, std::string* error = nullptr);
  // Stops listening, closes every peer and removes the socket file and the lock.
  void close();

  bool listening() const;
  int peerCount() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

enum class ControlCall {
  Answered,  // `reply` holds the answer
  NoServer,  // nothing listens at the path (no socket, or refused)
  Failed,    // the connection broke, the answer was malformed, or the peer is not us
  TimedOut,  // no answer within the time given
};

// Sends one request and waits for its answer, at most `timeoutMs` in all. Blocking; any
// thread. The server must run under the caller's own user id.
ControlCall controlCall(const std::string& path, const ControlRequest& request, ControlReply& reply,
                        int64_t timeoutMs);

// Frame helpers, shared by the server, the client and tests.
std::string encodeControlFrame(uint32_t number, std::string_view payload);
// Parses the head of a frame from `bytes`: true when at least 8 bytes are there.
bool decodeControlHead(std::string_view bytes, uint32_t& number, uint32_t& length);

}  // namespace fw

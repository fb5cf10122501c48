#pragma once
// The byte stream an FTP exchange talks over: the control connection or a data
// connection. Kept this narrow so that the exchange routines run unchanged against a
// real socket and against a scripted peer in tests.

#include <cstddef>
#include <memory>
#include <string>

namespace fw {

// Thread safety: one link is used by one Role thread at a time.
class FtpLink {
 public:
  virtual ~FtpLink() = default;

  // Sends every byte. Returns the count sent, or -1 with the socket error in `errorOut`.
  virtual long sendAll(const char* data, size_t len, int& errorOut) = 0;
  // Waits at most `ms` for bytes (or the peer's close) to read.
  // 1 readable, 0 nothing within `ms`, -1 failed with the socket error in `errorOut`.
  virtual int waitReadable(int ms, int& errorOut) = 0;
  // Reads up to `len` bytes. >0 bytes read, 0 the peer closed, -1 error (`errorOut`).
  virtual long receive(char* buf, size_t len, int& errorOut) = 0;
  // As receive(), but only what is there now: kLinkWouldBlock when nothing is (a failed
  // readiness test is left to the caller's next wait to report).
  static constexpr long kLinkWouldBlock = -2;
  virtual long receiveNow(char* buf, size_t len, int& errorOut) {
    int err = 0;
    if (waitReadable(0, err) <= 0) return kLinkWouldBlock;
    return receive(buf, len, errorOut);
  }
  // Address of the peer / of the local end (dotted IPv4, or IPv6 without brackets);
  // empty when unknown.
  virtual std::string peerAddress() const { return {}; }
  virtual std::string localAddress() const { return {}; }
  // Underlying descriptor, -1 when there is none (scripted links).
  virtual int descriptor() const { return -1; }
};

// A listening endpoint of active mode (PORT).
class FtpListener {
 public:
  virtual ~FtpListener() = default;
  virtual int port() const = 0;
  // Waits at most `ms` for a peer. 1 accepted into `out`, 0 none yet, -1 failed (`errorOut`).
  virtual int accept(int ms, std::unique_ptr<FtpLink>& out, int& errorOut) = 0;
};

}  // namespace fw

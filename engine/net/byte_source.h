#pragma once
// Where a Role reads a response from: a plain socket, a TLS session over one, or a
// decoder over either. Used from one Role's thread only.

#include <cstdint>

#include "engine/base/control_codes.h"

namespace fw {

// readNow(): nothing to read at this moment.
inline constexpr int kReadWouldBlock = -2;

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Waits up to `ms` (0 polls) for something to read: 1 readable (bytes, end of data or
  // an error are waiting), 0 nothing within `ms`, -1 the wait itself failed.
  virtual int waitReadable(int ms) = 0;
  // Reads up to `max` bytes into `dst`: the count, 0 when the peer closed, -1 on an error
  // (its errno value in *error).
  virtual int read(uint8_t* dst, int max, int* error) = 0;
  // Reads up to `max` bytes that are there now, without waiting: as read(), or
  // kReadWouldBlock when nothing is there. Body loops read this way until nothing is
  // left, and only then wait.
  virtual int readNow(uint8_t* dst, int max, int* error) {
    // A failed readiness test is left to the caller's wait to report.
    if (!pending() && waitReadable(0) <= 0) return kReadWouldBlock;
    return read(dst, max, error);
  }
  // After a read that returned `got` of `asked` bytes: true when that read is known to
  // have emptied the source, so that the next one would find nothing (a socket's read
  // falls short only when its queue ran dry). A TLS read may stop at a record's end with
  // more records waiting, so it never says so.
  virtual bool emptiedBy(int asked, int got) const { return got < asked && !pending(); }
  // Bytes already held inside the source (decrypted or decoded): read without waiting.
  virtual bool pending() const { return false; }
  // The engine result a failed read stands for: -10 for a socket, -13 for a TLS session.
  virtual int failureResult() const { return kResultError; }
  // The socket underneath, -1 when there is none.
  virtual int descriptor() const { return -1; }
};

// A connected socket descriptor, not owned.
class SocketByteSource final : public ByteSource {
 public:
  explicit SocketByteSource(int fd) : m_fd(fd) {}
  int waitReadable(int ms) override;
  int read(uint8_t* dst, int max, int* error) override;
  int readNow(uint8_t* dst, int max, int* error) override;
  int descriptor() const override { return m_fd; }

 private:
  int m_fd;
};

}  // namespace fw

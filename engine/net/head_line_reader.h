#pragma once
// Reads the head of an HTTP-style reply (a status line and header lines up to the blank
// line) from a ByteSource, one line at a time: the common core of the response head
// reader and of the proxy's CONNECT reply. One reader per connection; used from the
// Role's thread only.

#include <cstddef>
#include <functional>
#include <string>

#include "engine/base/role_record.h"
#include "engine/net/byte_source.h"

namespace fw {

inline constexpr size_t kHeadLineLimit = 1023;  // bytes of one line that are kept
inline constexpr size_t kHeadReadMax = 4096;    // largest read size a caller may ask for

class HeadLineReader {
 public:
  // What read() returns when more than the reader's byte limit came without the end.
  static constexpr int kTooLong = -1001;

  // Lines end at "\r\n" (also when the "\r" ends one read and the "\n" starts the next);
  // with `bareLineFeeds` a "\n" alone ends a line too. A lone "\r" stays in the line.
  // With a `byteLimit`, a head that has not ended within that many bytes is refused.
  explicit HeadLineReader(bool bareLineFeeds = false, size_t byteLimit = 0)
      : m_bareLineFeeds(bareLineFeeds), m_byteLimit(byteLimit) {}

  // Gets each complete line that is not blank, trimmed at both ends, its text beyond
  // 1,023 bytes dropped. Returns 0 to read on, or a negative result to end the read with.
  using LineFn = std::function<int(const std::string& line)>;

  // Reads `readSize` bytes at a time (1 to kHeadReadMax) until the blank line that ends
  // the head; the bytes after it in the same read are put into `after` (the start of
  // what follows the head; later bytes stay in the source).
  // Each wait for data lasts at most `timeoutMs`: below 51 ms one wait; otherwise 50 ms
  // slices with the Role's stop event tested between them (on a simulated clock each
  // empty slice is spent on the clock), until 50 ms or less are left.
  // Results: 1 head complete; -9 time-out; -10 the peer closed; a failed read gives the
  // source's failureResult() with its errno in role.lastSocketError; -1 the wait failed;
  // the line function's negative result; kTooLong; the Role's `outcome` when its stop event was
  // signalled. A line may be split over any number of reads: an unfinished line is kept
  // between calls that ended early, until reset() (a new connection).
  int read(ByteSource& source, RoleRecord& role, int timeoutMs, size_t readSize,
           const LineFn& onLine, std::string& after);
  void reset();

 private:
  int waitForData(ByteSource& source, RoleRecord& role, int timeoutMs);
  // 1 when the finished line was the blank one; 0 when handed on; < 0 to stop with.
  int finishLine(const LineFn& onLine);

  std::string m_line;
  bool m_pendingCr = false;
  bool m_bareLineFeeds;
  size_t m_byteLimit;
  size_t m_bytes = 0;  // of the head being read
};

}  // namespace fw

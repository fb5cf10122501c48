#pragma once
// Reads an HTTP response head from a ByteSource, line by line, applying each line with
// parseHeaderLine(). One reader per Role; used from the Role's thread only.
//
// engine/http: the HTTP exchange of a Role: the request, the response head, chunked
// bodies, dates and the browser's cookies. Uses engine/storage and everything below it.

#include <string>

#include "engine/base/role_job_access.h"
#include "engine/net/byte_source.h"
#include "engine/storage/receive_buffer.h"
#include "engine/url/url_parts.h"

namespace fw {

inline constexpr size_t kHeadReadSize = 1024;
inline constexpr size_t kHeadLineLimit = 1023;

class ResponseHeadReader {
 public:
  // Reads until the blank line that ends the head. Each complete line is trimmed,
  // applied to `parts` (and, through `access`, to the job) and, when not empty and
  // `logLines` is set, logged as kind 3 on access.role. Bytes after the head in the
  // same read are appended to `body` (the start of the body; what does not fit is
  // dropped, which cannot happen for a buffer emptied before the request).
  // Each wait for data lasts at most `timeoutMs`: below 51 ms one wait, otherwise 50 ms
  // slices with the Role's stopEvent tested between them through the Role's clock.
  // Results: 1 head complete; -9 time-out; -10 closed; a failed read gives the source's
  // failureResult() (-10 socket with errno in role.lastSocketError, -13 TLS); -1 the
  // wait failed; -10 from an unusable Location line; the
  // Role's `outcome` when its stopEvent was signalled.
  // A line's text beyond 1,023 bytes is dropped; a line (or its "\r\n") may be split
  // over any number of reads. The reader keeps an unfinished line between calls that
  // ended early; reset() forgets it (a new connection). access.role (with its clock and
  // channel) must be set.
  int read(ByteSource& source, const RoleJobAccess& access, int timeoutMs, bool logLines,
           ReceiveBuffer& body, UrlParts& parts);
  void reset();

 private:
  int waitForData(ByteSource& source, RoleRecord& role, int timeoutMs);
  // 1 when `line` was the blank line; 0 when it was applied; < 0 to stop with.
  int finishLine(const RoleJobAccess& access, bool logLines, UrlParts& parts);

  std::string m_line;
  bool m_pendingCr = false;
};

}  // namespace fw

#pragma once
// Reads an HTTP response head from a ByteSource, line by line, applying each line with
// parseHeaderLine(). One reader per Role; used from the Role's thread only.
//
// engine/http: the HTTP exchange of a Role: the request, the response head, chunked
// bodies, dates and the browser's cookies. Uses engine/storage and everything below it.

#include <string>

#include "engine/base/role_job_access.h"
#include "engine/net/byte_source.h"
#include "engine/net/head_line_reader.h"
#include "engine/storage/receive_buffer.h"
#include "engine/url/url_parts.h"

namespace fw {

inline constexpr size_t kHeadReadSize = 1024;

class ResponseHeadReader {
 public:
  // Reads until the blank line that ends the head, 1,024 bytes at a time, with the
  // waits, line rules and results of HeadLineReader::read. Each line is applied to
  // `parts` (and, through `access`, to the job) and, when `logLines` is set, logged as
  // kind 3 on access.role; an unusable Location line ends the read with -10. Bytes
  // after the head in the same read are appended to `body` (the start of the body;
  // what does not fit is dropped, which cannot happen for a buffer emptied before the
  // request). access.role (with its channel) must be set.
  int read(ByteSource& source, const RoleJobAccess& access, int timeoutMs, bool logLines,
           ReceiveBuffer& body, UrlParts& parts);
  void reset() { m_lines.reset(); }

 private:
  HeadLineReader m_lines;
};

}  // namespace fw

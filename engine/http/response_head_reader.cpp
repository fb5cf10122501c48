#include "engine/http/response_head_reader.h"

#include <cstring>

#include "engine/base/control_codes.h"
#include "engine/http/http_header_line.h"

namespace fw {

int ResponseHeadReader::read(ByteSource& source, const RoleJobAccess& access, int timeoutMs,
                             bool logLines, ReceiveBuffer& body, UrlParts& parts) {
  RoleRecord& role = *access.role;
  auto apply = [&](const std::string& line) {
    int r = parseHeaderLine(line, parts, &access);
    if (r < 0) return r;
    if (logLines) role.channel->log(role, kLogServer, line);
    return 0;
  };
  std::string after;
  int r = m_lines.read(source, role, timeoutMs, kHeadReadSize, apply, after);
  if (r != kResultSuccess) return r;
  size_t fit = after.size() < body.room() ? after.size() : body.room();
  std::memcpy(body.data + body.fill, after.data(), fit);
  body.fill = static_cast<uint16_t>(body.fill + fit);
  return kResultSuccess;
}

}  // namespace fw

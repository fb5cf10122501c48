#include "engine/http/response_head_reader.h"

#include <cctype>
#include <cstring>

#include "engine/base/control_codes.h"
#include "engine/http/http_header_line.h"

namespace fw {
namespace {

constexpr int kSliceMs = 50;

std::string_view trim(std::string_view s) {
  auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

void ResponseHeadReader::reset() {
  m_line.clear();
  m_pendingCr = false;
}

int ResponseHeadReader::waitForData(ByteSource& source, RoleRecord& role, int timeoutMs) {
  if (timeoutMs < 51) {
    int r = source.pending() ? 1 : source.waitReadable(timeoutMs < 0 ? 0 : timeoutMs);
    if (r < 0) return -1;
    return r > 0 ? 1 : kResultTimeout;
  }
  int rest = timeoutMs;
  for (;;) {
    int r = source.pending() ? 1 : source.waitReadable(kSliceMs);
    if (r < 0) return -1;
    if (r > 0) return 1;
    if (role.clock->waitEvent(role.stopEvent, 0)) return role.outcome.load();
    rest -= kSliceMs;
    if (rest <= kSliceMs) return kResultTimeout;
  }
}

int ResponseHeadReader::finishLine(const RoleJobAccess& access, bool logLines, UrlParts& parts) {
  std::string line(trim(m_line));
  m_line.clear();
  if (line.empty()) return 1;
  int r = parseHeaderLine(line, parts, &access);
  if (r < 0) return r;
  if (logLines && access.role) access.role->channel->log(*access.role, kLogServer, line);
  return 0;
}

int ResponseHeadReader::read(ByteSource& source, const RoleJobAccess& access, int timeoutMs,
                             bool logLines, ReceiveBuffer& body, UrlParts& parts) {
  uint8_t chunk[kHeadReadSize];
  auto append = [this](char c) {
    if (m_line.size() < kHeadLineLimit) m_line.push_back(c);
  };
  for (;;) {
    int w = waitForData(source, *access.role, timeoutMs);
    if (w != 1) return w;
    int error = 0;
    int got = source.read(chunk, static_cast<int>(sizeof chunk), &error);
    if (got == 0) return kResultError;
    if (got < 0) {
      access.role->lastSocketError = error;
      return source.failureResult();
    }
    for (int i = 0; i < got; ++i) {
      char c = static_cast<char>(chunk[i]);
      if (m_pendingCr) {
        m_pendingCr = false;
        if (c == '\n') {
          int r = finishLine(access, logLines, parts);
          if (r < 0) {
            reset();
            return r;
          }
          if (r == 1) {
            size_t rest = static_cast<size_t>(got - i - 1);
            size_t fit = rest < body.room() ? rest : body.room();
            std::memcpy(body.data + body.fill, chunk + i + 1, fit);
            body.fill = static_cast<uint16_t>(body.fill + fit);
            reset();
            return kResultSuccess;
          }
          continue;
        }
        append('\r');
      }
      if (c == '\r')
        m_pendingCr = true;
      else
        append(c);
    }
  }
}

}  // namespace fw

#include "engine/net/head_line_reader.h"

#include <cctype>

#include "engine/base/control_codes.h"
#include "engine/net/role_net.h"

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

void HeadLineReader::reset() {
  m_line.clear();
  m_pendingCr = false;
  m_bytes = 0;
}

int HeadLineReader::waitForData(ByteSource& source, RoleRecord& role, int timeoutMs) {
  if (timeoutMs < 51) {
    int r = source.pending() ? 1 : source.waitReadable(timeoutMs < 0 ? 0 : timeoutMs);
    if (r < 0) return -1;
    return r > 0 ? 1 : kResultTimeout;
  }
  Clock& clock = roleClock(role);
  // A simulated clock does not move while poll() blocks: the slice is spent on it.
  const bool simulated = !runsInRealTime(clock);
  int rest = timeoutMs;
  for (;;) {
    int r = source.pending() ? 1 : source.waitReadable(simulated ? 0 : kSliceMs);
    if (r < 0) return -1;
    if (r > 0) return 1;
    if (clock.waitEvent(role.stopEvent, simulated ? kSliceMs : 0)) return role.outcome.load();
    rest -= kSliceMs;
    if (rest <= kSliceMs) return kResultTimeout;
  }
}

int HeadLineReader::finishLine(const LineFn& onLine) {
  std::string line(trim(m_line));
  m_line.clear();
  if (line.empty()) return 1;
  int r = onLine(line);
  return r < 0 ? r : 0;
}

int HeadLineReader::read(ByteSource& source, RoleRecord& role, int timeoutMs, size_t readSize,
                         const LineFn& onLine, std::string& after) {
  uint8_t chunk[kHeadReadMax];
  if (readSize == 0 || readSize > sizeof chunk) readSize = sizeof chunk;
  auto append = [this](char c) {
    if (m_line.size() < kHeadLineLimit) m_line.push_back(c);
  };
  // Bounded: every pass waits (at most `timeoutMs`) and reads, or returns.
  for (;;) {
    int w = waitForData(source, role, timeoutMs);
    if (w != 1) return w;
    int error = 0;
    int got = source.read(chunk, static_cast<int>(readSize), &error);
    if (got == 0) return kResultError;
    if (got < 0) {
      role.lastSocketError = error;
      return source.failureResult();
    }
    for (int i = 0; i < got; ++i) {
      if (m_byteLimit != 0 && ++m_bytes > m_byteLimit) {
        reset();
        return kTooLong;
      }
      char c = static_cast<char>(chunk[i]);
      bool lineEnd = false;
      if (m_pendingCr) {
        m_pendingCr = false;
        if (c == '\n')
          lineEnd = true;
        else
          append('\r');
      } else if (c == '\n' && m_bareLineFeeds) {
        lineEnd = true;
      }
      if (!lineEnd) {
        if (c == '\r')
          m_pendingCr = true;
        else
          append(c);
        continue;
      }
      int r = finishLine(onLine);
      if (r < 0) {
        reset();
        return r;
      }
      if (r == 1) {
        after.assign(reinterpret_cast<const char*>(chunk) + i + 1,
                     static_cast<size_t>(got - i - 1));
        reset();
        return kResultSuccess;
      }
    }
  }
}

}  // namespace fw

#include "engine/ftp/ftp_reply.h"

#include <algorithm>

#include "engine/ftp/ftp_log.h"

namespace fw {

void FtpReplyBuffer::append(const char* data, size_t len) {
  m_text.append(data, len);
}

void FtpReplyBuffer::clear() {
  m_text.clear();
  m_scan = 0;
}

bool FtpReplyBuffer::takeLine(std::string& line) {
  size_t nl = m_text.find('\n', m_scan);
  if (nl == std::string::npos) {
    // Keep an over-long unfinished line bounded: its tail will be dropped anyway.
    if (m_text.size() > kFtpLineLimit + 1) {
      m_text.resize(kFtpLineLimit + 1);
    }
    m_scan = m_text.size();
    return false;
  }
  size_t end = nl;
  if (end > 0 && m_text[end - 1] == '\r') --end;
  line.assign(m_text, 0, std::min(end, kFtpLineLimit));
  m_text.erase(0, nl + 1);
  m_scan = 0;
  return true;
}

namespace {
bool digit(char c) {
  return c >= '0' && c <= '9';
}
}  // namespace

int FtpReplyTracker::feed(const std::string& line) {
  if (line.size() < 3 || !digit(line[0]) || !digit(line[1]) || !digit(line[2])) return 0;
  int code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
  if (code == 0) return 0;
  char sep = line.size() > 3 ? line[3] : ' ';
  if (m_openCode != 0) {
    if (code == m_openCode && sep == ' ') {
      m_openCode = 0;
      return code;
    }
    return 0;
  }
  if (sep == '-') {
    m_openCode = code;
    return 0;
  }
  return sep == ' ' ? code : 0;
}

std::string trimReplyLine(const std::string& line) {
  size_t b = line.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = line.find_last_not_of(" \t");
  return line.substr(b, e - b + 1);
}

int readReply(int& errorOut, FtpLink& link, RoleRecord& role, int timeoutMs, FtpReplyBuffer& buffer,
              bool logLines, std::string* lastLine) {
  Clock& clock = roleClock(role);
  FtpReplyTracker tracker;
  const int64_t start = clock.monotonicMs();
  // Bounds the loop even when the clock does not move (a fake clock over a real socket).
  const int64_t idleLimit = timeoutMs / 50 + 2;
  int64_t idleSlices = 0;
  char chunk[1024];
  std::string line;
  for (;;) {
    while (buffer.takeLine(line)) {
      if (logLines) {
        ftpLog(role, kLogServer, trimReplyLine(line));
        clock.sleepMs(10);
      }
      int code = tracker.feed(line);
      if (code > 0) {
        if (lastLine) *lastLine = trimReplyLine(line);
        return code;
      }
    }
    if (role.stopEvent.tryWait()) return role.outcome.load();
    int64_t elapsed = clock.monotonicMs() - start;
    if (elapsed >= timeoutMs || idleSlices > idleLimit) return -9;
    int slice =
        timeoutMs <= 50 ? timeoutMs : static_cast<int>(std::min<int64_t>(50, timeoutMs - elapsed));
    int err = 0;
    int ready = link.waitReadable(slice, err);
    if (ready < 0) {
      errorOut = role.lastSocketError = err;
      return -1;
    }
    if (ready == 0) {
      ++idleSlices;
      continue;
    }
    long n = link.receive(chunk, sizeof chunk, err);
    if (n < 0) {
      errorOut = role.lastSocketError = err;
      return -1;
    }
    if (n == 0) return 0;
    buffer.append(chunk, static_cast<size_t>(n));
  }
}

}  // namespace fw

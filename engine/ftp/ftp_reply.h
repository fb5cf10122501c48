#pragma once
// Reading FTP replies from the control connection.

#include <string>

#include "engine/ftp/ftp_link.h"

namespace fw {

struct RoleRecord;

inline constexpr size_t kFtpLineLimit = 1023;  // text of a line past this is dropped
inline constexpr int kFtpReplyClosing = 421;   // the server ends the exchange

// Text received on the control connection and not yet used: the start of the next
// reply when a server sent several in one read, or the unfinished line of this one.
// Also the state of a reply read in pieces. One per control connection.
class FtpReplyBuffer {
 public:
  // Adds received bytes.
  void append(const char* data, size_t len);
  // Takes the next complete line (ended by "\r\n", or a bare "\n") without its end.
  // False when no complete line is buffered. Lines are cut to kFtpLineLimit bytes.
  bool takeLine(std::string& line);
  // Unfinished text held (for tests).
  const std::string& held() const { return m_text; }
  void clear();

 private:
  std::string m_text;  // bytes not yet returned as lines, at most one unfinished line
  size_t m_scan = 0;   // bytes of m_text already known to hold no line end
};

// Follows the lines of one reply. A line "ddd-..." opens a multi-line reply that only
// "ddd " with the same code closes, so that a numbered line inside the text cannot end
// the reply early; outside a multi-line reply any "ddd " line (non-zero code) ends it.
class FtpReplyTracker {
 public:
  // Feeds one line; returns the reply code when this line ends the reply, else 0.
  int feed(const std::string& line);
  void reset() { m_openCode = 0; }

 private:
  int m_openCode = 0;
};

// Trims surrounding blanks (space, tab) of a received line for the log.
std::string trimReplyLine(const std::string& line);

// Reads one reply within `timeoutMs`, waiting in 50 ms slices on the Role's clock and
// testing its stop event between slices. Each line is logged as a server line (kind 3)
// when `logLines` is set. Text after the last line stays in `buffer`.
// Returns the 3-digit code (> 0; 421 means the server is closing the exchange), -9 on
// time-out, 0 when the peer closed the connection, -1 on a socket error (number in
// `errorOut` and role.lastSocketError), or the Role's `outcome` when stopped.
// `lastLine`, when given, receives the reply's final line, trimmed.
int readReply(int& errorOut, FtpLink& link, RoleRecord& role, int timeoutMs, FtpReplyBuffer& buffer,
              bool logLines, std::string* lastLine = nullptr);

}  // namespace fw

#include "engine/ftp/ftp_command.h"

#include "engine/ftp/ftp_log.h"

namespace fw {

int sendCommand(int& errorOut, FtpLink& link, const std::string& text) {
  if (text.size() > kFtpCommandLimit) return 0;
  if (text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return 0;
  std::string line = text + "\r\n";
  long sent = link.sendAll(line.data(), line.size(), errorOut);
  return sent == static_cast<long>(line.size()) ? 1 : -1;
}

std::string commandLogText(const std::string& text) {
  if (text.size() >= 4 && (text.compare(0, 4, "PASS") == 0 || text.compare(0, 4, "pass") == 0))
    return "PASS *********";
  return text;
}

int sendLoggedCommand(RoleRecord& role, FtpLink& link, const std::string& text, bool log) {
  if (log) ftpLog(role, kLogCommand, commandLogText(text));
  int err = 0;
  int r = sendCommand(err, link, text);
  if (r < 0) role.lastSocketError = err;
  return r;
}

}  // namespace fw

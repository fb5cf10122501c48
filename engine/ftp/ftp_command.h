#pragma once
// Sending one FTP command line on the control connection. Role thread only.

#include <string>

#include "engine/ftp/ftp_link.h"

namespace fw {

struct RoleRecord;

inline constexpr size_t kFtpCommandLimit = 2045;

// Appends "\r\n" and sends the whole line. 1 sent; 0 refused and nothing sent (longer
// than 2,045 bytes, or holding CR, LF or NUL, which would smuggle a second command onto
// the connection); -1 socket error with its number in `errorOut`.
int sendCommand(int& errorOut, FtpLink& link, const std::string& text);

// The log text for a command: "PASS *********" for any password line, else the line.
std::string commandLogText(const std::string& text);

// Logs the command (kind 1) when `log` is set, then sends it. Result as sendCommand; a
// socket error is also stored in role.lastSocketError.
int sendLoggedCommand(RoleRecord& role, FtpLink& link, const std::string& text, bool log = true);

}  // namespace fw

#pragma once
// The FTP questions a Role asks before a transfer: current directory, resume support,
// transfer type, date and size. Role thread only.
//
// Results: 1 success; a negative code for a failure the Role must dispatch; 0 when a
// command could not be sent (the Role retries on a fresh socket); another positive value
// (2, or the reply code) when the answer is not available and the Role carries on.
// 421 is handed back as is wherever it arrives: the server is closing the exchange.

#include <string>

#include "engine/ftp/ftp_session.h"
#include "records/date_stamp.h"

namespace fw {

struct RoleRecord;

// Reply wait of every exchange: "DataOut" seconds.
inline int ftpReplyTimeoutMs(const FtpSettings& s) {
  return s.dataOutSec * 1000;
}

// Sends `text` (logged when `log`) and reads one reply. The reply code, 0 when the send
// failed ("Send command fail!" logged), or readReply's negative results.
int ftpCommandReply(FtpSession& session, RoleRecord& role, const FtpSettings& settings,
                    const std::string& text, bool log = true, std::string* lastLine = nullptr);

// "PWD": stores the quoted directory (with a trailing "/" when longer than one character)
// into role.target.ftpDir. 1 stored; 2 no usable answer; 0 / negative as above.
int printWorkingDirectory(FtpSession& session, RoleRecord& role, const FtpSettings& settings);

// The "REST 100" probe: marks the job resumable or not (flags 0x0800 / 0x1000).
// 1 go on; -3 the site cannot resume and the job may not go on; 0 a send failed.
int probeResume(FtpSession& session, RoleRecord& role, FtpJobView& job,
                const FtpSettings& settings);

// ASCII mode for a file name whose extension (from its first ".", upper-cased, at least
// one character after it) occurs in the upper-cased extension list as a whole entry (not
// followed there by a letter or digit: ".TXT;.LOG", ".txt .log" and ".TXT,.LOG" all list
// ".TXT", none lists ".TX").
bool ftpAsciiMode(const std::string& fileName, const std::string& asciiExtensions);

// "MDTM <path>": 1 with role.target.remoteDate filled; 2 no date; 0 / negative as above.
int queryDate(FtpSession& session, RoleRecord& role, const FtpSettings& settings,
              const std::string& decodedPath);

// Reads "%04d%02d%02d%02d%02d%02d" from an MDTM reply line ("213 20240131120000").
bool parseMdtmReply(const std::string& line, DateStamp& out);

// "SIZE" in three attempts (full path, path without its leading "/", bare name after
// changing into the file's directory). 1 size known (job.fileSize set); 2 unknown;
// -3 the size differs from the known one ("File size already changed!"); 0 / negative.
int querySize(FtpSession& session, RoleRecord& role, FtpJobView& job, const FtpSettings& settings,
              const std::string& decodedPath);

// The size from a 213 reply line: at least 5 characters, decimal after "213 ". -1 if none.
int64_t parseSizeReply(const std::string& line);

}  // namespace fw

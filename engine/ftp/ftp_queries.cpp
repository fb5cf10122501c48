#include "engine/ftp/ftp_queries.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "engine/ftp/ftp_command.h"
#include "engine/ftp/ftp_log.h"

namespace fw {

int ftpCommandReply(FtpSession& session, RoleRecord& role, const FtpSettings& settings,
                    const std::string& text, bool log, std::string* lastLine) {
  int sent = sendLoggedCommand(role, *session.control, text, log);
  if (sent != 1) {
    ftpLog(role, kLogError, "Send command fail!");
    // A refused line (too long, or with a line break from a decoded path) fails the same
    // way on every retry, so it ends the Role instead of retrying.
    return sent == 0 ? kResultError : 0;
  }
  int err = 0;
  int code = readReply(err, *session.control, role, ftpReplyTimeoutMs(settings), session.pending,
                       true, lastLine);
  session.lastReply = code;
  return code;
}

int printWorkingDirectory(FtpSession& session, RoleRecord& role, const FtpSettings& settings) {
  std::string line;
  int code = ftpCommandReply(session, role, settings, "PWD", true, &line);
  if (code < 1 || code == kFtpReplyClosing) return code;
  if (code < 100 || code >= 400) return 2;
  size_t q1 = line.find('"');
  size_t q2 = q1 == std::string::npos ? q1 : line.find('"', q1 + 1);
  if (q2 == std::string::npos) return 2;
  std::string dir = line.substr(q1 + 1, q2 - q1 - 1);
  if (dir.empty()) return 2;
  if (dir.size() > 1 && dir.back() != '/') dir += '/';
  role.target.ftpDir = dir;
  return 1;
}

namespace {

int refuseResume(RoleRecord& role, FtpJobView& view, const FtpSettings& settings) {
  if (!settings.stillNonResumable) {
    ftpLog(role, kLogError, "This site can't resume broken downloads.Thread stop!");
    return kResultClose;
  }
  bool wasResumable;
  {
    LockGuard g(view.jobLock);
    wasResumable = view.job.resumable();
  }
  if (wasResumable && view.downloaded() > 0) {
    ftpLog(role, kLogError, "Server changed can't resume broken downloads.Thread stop!");
    return kResultClose;
  }
  {
    LockGuard g(view.jobLock);
    view.job.flags =
        static_cast<uint16_t>((view.job.flags & ~jobflags::kResumable) | jobflags::kNotResumable);
  }
  ftpLog(role, kLogState, "This site can't resume broken downloads.");
  return 1;
}

}  // namespace

int probeResume(FtpSession& session, RoleRecord& role, FtpJobView& view,
                const FtpSettings& settings) {
  bool typeTried = false;
  for (;;) {
    int code = ftpCommandReply(session, role, settings, "REST 100");
    if (code < 1 || code == kFtpReplyClosing) return code;
    if (code == 350) {
      bool changed = false;
      int row = 0;
      {
        LockGuard g(view.jobLock);
        if ((view.job.flags & jobflags::kResumeMask) != jobflags::kResumable) {
          view.job.flags = static_cast<uint16_t>((view.job.flags & ~jobflags::kResumeMask) |
                                                 jobflags::kResumable);
          changed = true;
        }
        row = view.job.listIndex;
      }
      if (changed && role.channel) role.channel->control(role, CtlRedrawRow, row);
      ftpLog(role, kLogState, "This site can resume broken downloads.");
      if (sendLoggedCommand(role, *session.control, "REST 0") != 1) {
        ftpLog(role, kLogError, "Send command fail, Wait 1 second retry");
        return 0;
      }
      int err = 0;
      int undo = readReply(err, *session.control, role, ftpReplyTimeoutMs(settings),
                           session.pending, true);
      if (undo < 1 || undo == kFtpReplyClosing) return undo;
      return 1;
    }
    if (code == 501 && !typeTried) {
      typeTried = true;
      int t = ftpCommandReply(session, role, settings, "TYPE I");
      if (t < 1 || t == kFtpReplyClosing) return t;
      if (t == 200) continue;
    }
    return refuseResume(role, view, settings);
  }
}

bool ftpAsciiMode(const std::string& fileName, const std::string& asciiExtensions) {
  size_t dot = fileName.find('.');
  if (dot == std::string::npos || dot + 1 >= fileName.size()) return false;
  std::string ext = fileName.substr(dot);
  std::string list = asciiExtensions;
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (char& c : list) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  // The extension must be a whole entry of the list: as a bare substring ".T" or ".TX"
  // would match ".TXT", and a binary file fetched as text has its bytes changed.
  for (size_t at = list.find(ext); at != std::string::npos; at = list.find(ext, at + 1)) {
    size_t end = at + ext.size();
    if (end == list.size() || !std::isalnum(static_cast<unsigned char>(list[end]))) return true;
  }
  return false;
}

bool parseMdtmReply(const std::string& line, DateStamp& out) {
  if (line.size() <= 4) return false;
  int y, mo, d, h, mi, s;
  if (std::sscanf(line.c_str() + 4, "%04d%02d%02d%02d%02d%02d", &y, &mo, &d, &h, &mi, &s) != 6)
    return false;
  if (y < 1 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 ||
      mi > 59 || s < 0 || s > 60)
    return false;
  DateStamp ds;
  ds.year = static_cast<uint16_t>(y);
  ds.month = static_cast<uint8_t>(mo);
  ds.day = static_cast<uint8_t>(d);
  ds.hour = static_cast<uint8_t>(h);
  ds.minute = static_cast<uint8_t>(mi);
  ds.second = static_cast<uint8_t>(s);
  out = ds;
  return true;
}

int queryDate(FtpSession& session, RoleRecord& role, const FtpSettings& settings,
              const std::string& decodedPath) {
  std::string line;
  int code = ftpCommandReply(session, role, settings, "MDTM " + decodedPath, true, &line);
  if (code < 1 || code == kFtpReplyClosing) return code;
  if (code < 100 || code >= 400) return 2;
  return parseMdtmReply(line, role.target.remoteDate) ? 1 : 2;
}

int64_t parseSizeReply(const std::string& line) {
  if (line.size() < 5 || line.compare(0, 4, "213 ") != 0) return -1;
  size_t p = 4;
  while (p < line.size() && line[p] == ' ') ++p;
  if (p >= line.size() || !std::isdigit(static_cast<unsigned char>(line[p]))) return -1;
  int64_t v = 0;
  for (; p < line.size() && std::isdigit(static_cast<unsigned char>(line[p])); ++p) {
    if (v > (INT64_MAX - 9) / 10) return -1;
    v = v * 10 + (line[p] - '0');
  }
  return v;
}

namespace {

std::vector<std::string> directoryLevels(const std::string& path, std::string& bareName) {
  std::vector<std::string> levels;
  size_t start = 0;
  while (start < path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) break;
    if (slash > start) levels.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  bareName = path.substr(start);
  return levels;
}

// One SIZE attempt: >0 reply code with `size` set on 213, or 0 / negative.
int sizeAttempt(FtpSession& session, RoleRecord& role, const FtpSettings& settings,
                const std::string& arg, int64_t& size) {
  std::string line;
  int code = ftpCommandReply(session, role, settings, "SIZE " + arg, true, &line);
  if (code == 213) size = parseSizeReply(line);
  return code;
}

}  // namespace

int querySize(FtpSession& session, RoleRecord& role, FtpJobView& view, const FtpSettings& settings,
              const std::string& decodedPath) {
  int code = ftpCommandReply(session, role, settings, "TYPE I");
  if (code < 1 || code == kFtpReplyClosing) return code;

  int64_t size = -1;
  code = sizeAttempt(session, role, settings, decodedPath, size);
  if (code < 1 || code == kFtpReplyClosing) return code;
  // A path without a leading "/" has no second form; go straight to the third attempt
  // rather than failing a download only because the server lacks SIZE for that form.
  if (code > 500 && decodedPath.size() > 1 && decodedPath[0] == '/') {
    code = sizeAttempt(session, role, settings, decodedPath.substr(1), size);
    if (code < 1 || code == kFtpReplyClosing) return code;
  }
  if (code > 500) {
    std::string bare;
    std::vector<std::string> levels = directoryLevels(decodedPath, bare);
    if (bare.empty()) return 2;
    std::vector<std::string> cwds;
    if (levels.empty()) cwds.push_back("CWD /");
    for (size_t i = 0; i < levels.size(); ++i)
      cwds.push_back(i == 0 ? "CWD /" + levels[i] : "CWD " + levels[i]);
    for (const std::string& cwd : cwds) {
      code = ftpCommandReply(session, role, settings, cwd);
      if (code < 1 || code == kFtpReplyClosing) return code;
      if (code != 250) return 2;
    }
    code = ftpCommandReply(session, role, settings, "TYPE I");
    if (code < 1 || code == kFtpReplyClosing) return code;
    if (code != 200) return 2;
    code = sizeAttempt(session, role, settings, bare, size);
    if (code < 1 || code == kFtpReplyClosing) return code;
  }
  if (code != 213 || size < 0) return 2;
  {
    LockGuard g(view.jobLock);
    if (view.job.fileSize < 0) {
      view.job.fileSize = size;
      return 1;
    }
    if (view.job.fileSize == size) return 1;
  }
  ftpLog(role, kLogError, "File size already changed!");
  return kResultClose;
}

}  // namespace fw

#include "engine/ftp/role_ftp_steps.h"

#include <cstdio>

#include "engine/ftp/ftp_command.h"
#include "engine/ftp/ftp_directory_walk.h"
#include "engine/ftp/ftp_listing.h"
#include "engine/ftp/ftp_listing_exchange.h"
#include "engine/ftp/ftp_log.h"
#include "engine/ftp/ftp_queries.h"
#include "engine/url/ftp_directory_url.h"
#include "engine/url/percent_decode.h"

namespace fw {

namespace {

int toDispatch(FtpStepContext& ctx, int code) {
  ctx.code = code;
  return kStepDispatch;
}

int retryFrom(FtpStepContext& ctx, int step) {
  ctx.retryStep = step;
  return kStepRetryPause;
}

// A command that could not be sent: a socket failure retries on a fresh socket, a line
// the sender refused cannot succeed on a retry and ends the Role.
int sendFailed(FtpStepContext& ctx, int sent) {
  if (sent == 0) return toDispatch(ctx, kResultError);
  return retryFrom(ctx, kStepFreshSocket);
}

int readStepReply(RoleRecord& role, FtpStepContext& ctx, std::string* last = nullptr) {
  int err = 0;
  int code = readReply(err, *ctx.session.control, role, ftpReplyTimeoutMs(ctx.settings),
                       ctx.session.pending, true, last);
  ctx.session.lastReply = code;
  return code;
}

bool jobResumable(FtpStepContext& ctx) {
  LockGuard g(ctx.job.jobLock);
  return ctx.job.job.resumable();
}

bool jobSizeKnown(FtpStepContext& ctx) {
  LockGuard g(ctx.job.jobLock);
  return ctx.job.job.sizeKnown();
}

// After a successful login: a job resumed from an earlier run reopens its target.
int afterLogin(RoleRecord& role, FtpStepContext& ctx) {
  ftpLog(role, kLogState, "Login Successful");
  bool again, created;
  {
    LockGuard g(ctx.job.jobLock);
    again = ctx.job.job.flags2 & jobflags2::kDownloadAgain;
    created = ctx.job.job.createTime.isSet();
  }
  if (!again && ctx.job.downloaded() > 0 && created && !ctx.hooks.hasOpenTarget()) {
    if (ctx.hooks.prepareTarget() != 1) {
      ftpLog(role, kLogError, "Not find downloaded file, can't resume! ");
      return toDispatch(ctx, kResultClose);
    }
  }
  return kStepFtpDirectory;
}

std::string decodedPath(const RoleRecord& role) {
  return percentDecode(role.target.path);
}

// A text file fetched in ASCII mode arrives with the server's line ends, so neither the
// stored length SIZE reports nor a restart offset (which servers count in stored bytes,
// or refuse in ASCII mode) fits the bytes received: such a file has no known size, is
// fetched by one Role as one stream, and every attempt starts at byte 0.
bool asciiTransfer(const RoleRecord& role, const FtpStepContext& ctx) {
  return ftpAsciiMode(role.target.fileName, ctx.settings.asciiExtensions);
}

// CtlAssignRange: 1 with a range that still has bytes to fetch, 0 nothing left (a range
// handed out at or past the end of the file counts as none: fetching it would only open
// another session for no bytes), or the controller's negative result.
int takeRange(RoleRecord& role, FtpStepContext& ctx) {
  intptr_t a = role.channel
                   ? role.channel->control(role, CtlAssignRange, reinterpret_cast<intptr_t>(&role))
                   : 0;
  if (a < 0) return static_cast<int>(a);
  if (a != 1 || !role.range) return 0;
  LockGuard g(ctx.job.progressLock);
  if (role.range->start > role.range->end) {
    role.range->inUse = 0;
    role.range = nullptr;
    return 0;
  }
  return 1;
}

bool jobComplete(FtpStepContext& ctx) {
  LockGuard g(ctx.job.jobLock);
  return (ctx.job.job.flags & jobflags::kComplete) != 0;
}

}  // namespace

int dateSum(const DateStamp& d) {
  return d.year + d.month + d.day + d.hour + d.minute + d.second;
}

int ftpStepUser(RoleRecord& role, FtpStepContext& ctx) {
  std::string line = role.target.user.empty() ? "USER anonymous" : "USER " + role.target.user;
  int sent = sendLoggedCommand(role, *ctx.session.control, line);
  if (sent != 1) return sendFailed(ctx, sent);
  int code = readStepReply(role, ctx);
  if (code == 230) return afterLogin(role, ctx);
  if (code == 331 || code == 332) return kStepFtpPass;
  return toDispatch(ctx, code);
}

int ftpStepPassword(RoleRecord& role, FtpStepContext& ctx) {
  const std::string& pass =
      role.target.password.empty() ? ctx.settings.loginMail : role.target.password;
  int sent = sendLoggedCommand(role, *ctx.session.control, "PASS " + pass);
  if (sent != 1) return sendFailed(ctx, sent);
  int code = readStepReply(role, ctx);
  if (code == 202 || code == 230 || code == 332) return afterLogin(role, ctx);
  return toDispatch(ctx, code);
}

int ftpStepDirectory(RoleRecord& role, FtpStepContext& ctx) {
  if (role.target.ftpDir.empty()) {
    int r = printWorkingDirectory(ctx.session, role, ctx.settings);
    if (r < 1 || r == kFtpReplyClosing) return toDispatch(ctx, r);
  }
  if (!(ctx.ctlFlags.fetch_or(ftpctl::kResumeProbed) & ftpctl::kResumeProbed)) {
    int r = probeResume(ctx.session, role, ctx.job, ctx.settings);
    if (r < 1 || r == kFtpReplyClosing) return toDispatch(ctx, r);
  }
  return (ctx.ctlFlags.load() & ftpctl::kSizeKnown) ? kStepFtpType : kStepFtpSizeDate;
}

int ftpStepType(RoleRecord& role, FtpStepContext& ctx) {
  bool ascii = asciiTransfer(role, ctx);
  int sent = sendLoggedCommand(role, *ctx.session.control, ascii ? "TYPE A" : "TYPE I");
  if (sent != 1) return sendFailed(ctx, sent);
  int code = readStepReply(role, ctx);
  if (code < 1 || code == kFtpReplyClosing) return toDispatch(ctx, code);
  return kStepFtpData;
}

int ftpStepSizeDate(RoleRecord& role, FtpStepContext& ctx) {
  // A URL naming a directory has no file to size: its job lists the files instead.
  if (isFtpDirectoryUrl(role.target.url)) return ftpStepDirectoryWalk(role, ctx);
  const std::string n = decodedPath(role);
  bool passive = role.proxy.flags & proxyflags::kPassive;
  std::string listing;
  int r = listDirectory(ctx.session, role, ctx.settings, n, passive, listing);
  if (passive && r == 2) {
    role.proxy.flags &= ~proxyflags::kPassive;
    return kStepFtpSizeDate;
  }
  if (r < 1 || r == kFtpReplyClosing) return toDispatch(ctx, r);
  bool gotDate = false;
  if (r == 1) {
    // Only a listing date with year and time of day is exact enough to compare later;
    // UNIX listings give one or the other, so they leave the date to MDTM.
    for (const FtpListEntry& e : parseListing(listing)) {
      if (!e.isDirectory && e.name == role.target.fileName && listingDateComplete(e)) {
        role.target.remoteDate = e.date;
        gotDate = true;
        break;
      }
    }
  }
  if (!gotDate) {
    int d = queryDate(ctx.session, role, ctx.settings, n);
    if (d < 1 || d == kFtpReplyClosing) return toDispatch(ctx, d);
    gotDate = d == 1;
  }
  const int remoteSum = gotDate ? dateSum(role.target.remoteDate) : 0;
  bool again;
  DateStamp stored;
  {
    LockGuard g(ctx.job.jobLock);
    again = ctx.job.job.flags2 & jobflags2::kDownloadAgain;
    stored = ctx.job.job.fileDate;
  }
  if (again) {
    {
      LockGuard g(ctx.job.jobLock);
      ctx.job.job.flags2 &= static_cast<uint16_t>(~jobflags2::kDownloadAgain);
    }
    if (remoteSum != 0 && remoteSum == dateSum(stored)) return kStepEnd;
    ftpLog(role, kLogError, "The file on the server is newer, you should download it again.");
    // Ranges may only be thrown away when no other Role can hold one. A stopped job has
    // ranges too, and refusing it here would leave it unable ever to finish: this run
    // clears the request, and every later one stops at the date check below.
    if (role.channel && role.channel->control(role, CtlHasRanges, 0) != 0) {
      uint8_t last = 0;
      role.channel->control(role, CtlIsLastRole, reinterpret_cast<intptr_t>(&last));
      if (last != 1) return toDispatch(ctx, kResultClose);
    }
    ctx.hooks.resetJob();
    ctx.ctlFlags.fetch_and(~(ftpctl::kSizeKnown | ftpctl::kSizeQueried));
    ctx.hooks.deleteTarget();
    return kStepUrl;
  }
  if (stored.day == 0) {
    if (gotDate) {
      LockGuard g(ctx.job.jobLock);
      ctx.job.job.fileDate = role.target.remoteDate;
    }
  } else if (gotDate && remoteSum != dateSum(stored)) {
    ftpLog(role, kLogError, "The file on the server is newer, you should download it again.");
    return kStepEnd;
  }
  if (asciiTransfer(role, ctx)) {
    // A size or ranges kept from an earlier binary run would cut the text short.
    LockGuard rec(ctx.job.jobLock);
    LockGuard prog(ctx.job.progressLock);
    if (ctx.job.job.sizeKnown() || !ctx.job.job.parts.empty()) {
      role.range = nullptr;
      ctx.job.job.parts.clear();
      ctx.job.job.fileSize = -1;
      ctx.job.job.downloaded = 0;
    }
    ctx.ctlFlags.fetch_or(ftpctl::kSizeQueried);
  } else if (!(ctx.ctlFlags.fetch_or(ftpctl::kSizeQueried) & ftpctl::kSizeQueried)) {
    int s = querySize(ctx.session, role, ctx.job, ctx.settings, n);
    if (s < 1 || s == kFtpReplyClosing) {
      ctx.ctlFlags.fetch_and(~ftpctl::kSizeQueried);
      return toDispatch(ctx, s);
    }
  }
  if (role.channel) role.channel->control(role, CtlShowSize, 0);
  ctx.ctlFlags.fetch_or(ftpctl::kSizeKnown);
  return kStepFtpType;
}

int ftpStepData(RoleRecord& role, FtpStepContext& ctx) {
  int space = ctx.hooks.checkDiskSpace();
  if (space < 1) {
    ftpLog(role, kLogError,
           space < 0 ? "Invalid Save file Path!" : "There is not enough space on the disk.");
    return toDispatch(ctx, kResultError);
  }
  bool sizeKnown;
  int64_t fileSize;
  {
    LockGuard g(ctx.job.jobLock);
    sizeKnown = ctx.job.job.sizeKnown();
    fileSize = ctx.job.job.fileSize;
  }
  // A Role that comes in after the file was completed has nothing left to fetch.
  if (jobComplete(ctx)) return toDispatch(ctx, kResultClose);
  const bool ascii = asciiTransfer(role, ctx);
  // Without a size there are no ranges: the first Role fetches the one stream, and a
  // second one fetching from `downloaded` as well would write over it.
  if ((!sizeKnown || ascii) && role.roleNo != 1) return toDispatch(ctx, kResultClose);
  if (ctx.settings.allocateOnSize && fileSize > 0 && !ctx.hooks.hasOpenTarget() &&
      ctx.hooks.prepareTarget() != 1)
    return toDispatch(ctx, kResultError);
  if (role.proxy.flags & proxyflags::kPassive) {
    int r = enterPassive(ctx.session, role, ctx.settings);
    if (r < 0) return toDispatch(ctx, r);
    if (r == 0) return retryFrom(ctx, kStepFreshSocket);
    if (r == kFtpReplyClosing) return toDispatch(ctx, r);
    if (r != 1) {
      role.proxy.flags &= ~proxyflags::kPassive;
      return kStepFtpData;
    }
  } else {
    int r = enterActive(ctx.session, role, ctx.settings);
    if (r != 1) return toDispatch(ctx, r);
  }
  bool resumable = jobResumable(ctx);
  if (!sizeKnown || ascii) {
    if (ctx.job.downloaded() == 0)
      ftpLog(role, kLogState, "File size unknown, can't start other parts.");
    if (ascii) {
      {
        LockGuard g(ctx.job.progressLock);
        ctx.job.job.downloaded = 0;
      }
      ctx.hooks.setBufferOffset(0);
      return kStepFtpRetr;
    }
    return resumable ? kStepFtpRest : kStepFtpRetr;
  }
  if (!resumable) {
    // A site that refused the resume probe refuses "REST 0" as well; from byte 0 the
    // fetch needs no restart offset.
    ctx.hooks.setBufferOffset(0);
    return kStepFtpRetr;
  }
  if (!role.range) {
    int a = takeRange(role, ctx);
    if (a < 0) return toDispatch(ctx, a);
    if (a == 0) return toDispatch(ctx, kResultClose);
    ctx.hooks.setBufferOffset(role.range->start);
    return role.range->start != 0 ? kStepFtpRest : kStepFtpRetr;
  }
  ctx.hooks.setBufferOffset(role.range->start);
  return kStepFtpRest;
}

int ftpStepRest(RoleRecord& role, FtpStepContext& ctx) {
  int64_t offset;
  if (jobSizeKnown(ctx) && jobResumable(ctx) && role.range) {
    LockGuard g(ctx.job.progressLock);
    offset = role.range->start;
  } else {
    offset = ctx.job.downloaded();
  }
  char line[40];
  std::snprintf(line, sizeof line, "REST %lld", static_cast<long long>(offset));
  int sent = sendLoggedCommand(role, *ctx.session.control, line, ctx.session.retrAttempt == 0);
  if (sent != 1) return sendFailed(ctx, sent);
  int code = readStepReply(role, ctx);
  if (code == 350) return kStepFtpRetr;
  return toDispatch(ctx, code);
}

std::string retrCommand(int k, const std::string& p, const std::string& n, const std::string& dir) {
  switch (k) {
    case 0:
      return "RETR " + n;
    case 1:
      if (!p.empty() && !n.empty() && n[0] == '/') return "RETR " + n.substr(1);
      return "RETR " + p;
    case 2:
      return "RETR " + p;
    case 3: {
      if (p.find(' ') == std::string::npos) return "RETR " + n + "%20";
      std::string out;
      for (char c : p) out += c == ' ' ? std::string("%20") : std::string(1, c);
      return "RETR " + out;
    }
    default:
      if (!dir.empty()) return "RETR " + dir + n;
      if (!p.empty() && p[0] == '/') return "RETR " + p.substr(1);
      return "RETR " + (p.empty() ? p : p.substr(1)) + " %20";
  }
}

int ftpStepRetr(RoleRecord& role, FtpStepContext& ctx) {
  int k = ctx.session.retrAttempt;
  const std::string& p = role.target.path;
  std::string cmd = retrCommand(k, p, percentDecode(p), role.target.ftpDir);
  int sent = sendLoggedCommand(role, *ctx.session.control, cmd);
  if (sent != 1) return sendFailed(ctx, sent);
  int t = readStepReply(role, ctx);
  if (t < 0) return toDispatch(ctx, t);
  if (t != 125 && t != 150 && t != 226 && t != 250) {
    if (k < 4) {
      if (t >= 500) {
        ctx.session.retrAttempt = k + 1;
        return kStepFtpRest;
      }
      return toDispatch(ctx, t);
    }
    return toDispatch(ctx, t < 500 ? t : kResultError);
  }
  if (role.channel) {
    if (role.roleNo == 1 &&
        !(ctx.ctlFlags.fetch_or(ftpctl::kTransferStartedSent) & ftpctl::kTransferStartedSent))
      role.channel->control(role, CtlTransferStarted, 0);
    if (role.roleNo == 2 && !(ctx.ctlFlags.fetch_or(ftpctl::kGrowSent) & ftpctl::kGrowSent))
      role.channel->control(role, CtlGrowToSplit, 0);
  }
  if (role.range) {
    LockGuard g(ctx.job.progressLock);
    ctx.hooks.setBufferOffset(role.range->start);
  } else {
    ctx.hooks.setBufferOffset(ctx.job.downloaded());
  }
  int r = ftpDataLoop(ctx.session, role, ctx.settings, ctx.hooks.receiveSink());
  ctx.session.closeData();
  if (r == 1) {
    int f = ctx.hooks.flushBuffer();
    if (f < 1) return toDispatch(ctx, f);
    ctx.hooks.setBufferOffset(0);
    // A file whose end was the server's close (no size beforehand) is whole: there is no
    // range to ask for, and a new one past its end would only start another session.
    if (jobComplete(ctx)) return toDispatch(ctx, kResultClose);
    int a = takeRange(role, ctx);
    if (a < 0) return toDispatch(ctx, a);
    if (a == 1) {
      ctx.hooks.setBufferOffset(role.range->start);
      ftpLog(role, kLogError, "Thread finished");
      return kStepFreshSocket;
    }
    return toDispatch(ctx, kResultClose);
  }
  int code = r == 226 ? kResultClose : (r > 200 && r < 500 ? 0 : r);
  int f = ctx.hooks.flushBuffer();
  if (f < 1) return toDispatch(ctx, f);
  return toDispatch(ctx, code);
}

int runFtpStep(int step, RoleRecord& role, FtpStepContext& ctx) {
  switch (step) {
    case kStepFtpUser:
      return ftpStepUser(role, ctx);
    case kStepFtpPass:
      return ftpStepPassword(role, ctx);
    case kStepFtpDirectory:
      return ftpStepDirectory(role, ctx);
    case kStepFtpType:
      return ftpStepType(role, ctx);
    case kStepFtpSizeDate:
      return ftpStepSizeDate(role, ctx);
    case kStepFtpData:
      return ftpStepData(role, ctx);
    case kStepFtpRest:
      return ftpStepRest(role, ctx);
    case kStepFtpRetr:
      return ftpStepRetr(role, ctx);
    default:
      return toDispatch(ctx, kResultError);
  }
}

}  // namespace fw

#include "engine/role/role_worker.h"

#include <cstdio>
#include <cstring>

#include "engine/base/control_codes.h"
#include "engine/base/text_buffer.h"
#include "engine/net/byte_source.h"
#include "engine/net/connection.h"
#include "engine/net/tls_functions.h"
#include "engine/net/tls_session.h"
#include "engine/role/role_ftp_glue.h"
#include "engine/storage/cache_writer.h"
#include "engine/storage/target_file.h"
#include "engine/url/url_parse.h"
#include "platform/socket.h"

namespace fw {

void runRoleWorker(RoleRecord& role) {
  if (role.thread == nullptr || role.shared == nullptr || role.channel == nullptr) return;
  RoleWorker worker(role);
  worker.run();
}

RoleWorker::RoleWorker(RoleRecord& role)
    : m_r(role),
      m_sh(*role.shared),
      m_job(*role.shared->job),
      m_st(*role.shared->storage),
      m_clock(role.clock != nullptr ? *role.clock : Clock::system()),
      m_buf(std::make_unique<ReceiveBuffer>()) {
  m_access.role = &m_r;
  m_access.job = &m_job;
  m_access.jobLock = &m_st.recordLock;
  m_access.sizeLock = &m_st.progressLock;
}

RoleWorker::~RoleWorker() {
  closeConnection();
}

intptr_t RoleWorker::ctl(uint32_t code, intptr_t arg) {
  return m_r.channel->control(m_r, code, arg);
}

void RoleWorker::log(int kind, const std::string& text) {
  m_r.channel->log(m_r, kind, text);
}

void RoleWorker::run() {
  m_r.errorCount = 0;
  m_r.speed = 0;
  m_r.startSecond = m_clock.utcSecondOfDay();
  {
    // Role 1 writes the controller's UrlParts back under the record lock, while later
    // Roles start and copy it.
    LockGuard g(m_st.recordLock);
    if (m_r.roleNo != 1 || m_r.target.url.empty()) m_r.target = m_sh.target;
    m_keepReferer = !m_job.referer.empty();
  }
  if (m_r.roleNo == 1 && m_sh.cookies) {
    attachBrowserCookies(m_r.target, m_sh.settings.protocolCheck, true, m_sh.cookies);
  }
  int step = kStepLine;
  // Bounded by the Role's own logic: every loop of steps ends in step 24 through a stop
  // request, the retry limit or the end of the data.
  for (;;) {
    if (step != kStepEnd && m_r.stopEvent.tryWait()) {
      m_code = m_r.outcome;
      step = kStepDispatch;
    }
    switch (step) {
      case kStepLine:
        step = doLine();
        break;
      case kStepUrl:
        step = doUrl();
        break;
      case kStepFreshSocket:
        step = doSocket();
        break;
      case kStepConnect:
        step = doConnect();
        break;
      case kStepHttpHead:
        step = doHttpHead();
        break;
      case kStepHttpBody:
        step = doHttpBody();
        break;
      case kStepDispatch:
        step = doDispatch();
        break;
      case kStepRetryPause:
        step = doRetryPause();
        break;
      case kStepEnd:
        doEnd();
        return;
      case kStepFtpUser:
      case kStepFtpPass:
      case kStepFtpDirectory:
      case kStepFtpType:
      case kStepFtpSizeDate:
      case kStepFtpData:
      case kStepFtpRest:
      case kStepFtpRetr:
        step = doFtpStep(step);
        break;
      default:
        // A step number no path leads to: an error of the Role.
        step = fail(kResultError);
        break;
    }
  }
}

int RoleWorker::doLine() {
  DialLine* dial = m_sh.dial;
  if (m_sh.settings.useDialup && dial != nullptr && dial->enabled() &&
      !dial->lineUpEvent().isSet()) {
    ctl(CtlDial);
    log(kLogState, "Wait dialing...");
    while (!m_clock.waitEvent(dial->lineUpEvent(), 49)) {
      if (m_r.stopEvent.tryWait()) return fail(m_r.outcome);
    }
  } else {
    // Without pacing the pause is empty, which still takes a stop request already waiting.
    const int64_t pauseMs = m_sh.settings.pacing ? 49LL * m_sh.settings.startPauseSlices : 0;
    if (slicedWait(m_clock, m_r.stopEvent, pauseMs, 49) == WaitResult::Stopped)
      return fail(m_r.outcome);
  }
  seedTlsRandom(m_clock);
  return kStepUrl;
}

int RoleWorker::doUrl() {
  m_r.target.chunked = 0;
  if (parseUrl(std::string_view(m_r.target.url), m_r.target) != 1) {
    log(kLogError, "Invalid Urls");
    return kStepEnd;
  }
  bool fresh;
  {
    LockGuard g(m_st.recordLock);
    fresh = !m_job.createTime.isSet();
  }
  {
    LockGuard g(m_st.progressLock);
    fresh = fresh && m_job.downloaded == 0;
  }
  if (fresh && m_r.target.fileName.size() < 2000) {
    TextBuffer name;
    name.set(m_r.target.fileName);
    ctl(CtlOfferFileName, reinterpret_cast<intptr_t>(&name));
  }
  if (!(m_r.proxyFetched & 0x01)) {
    bool multiProxy;
    {
      LockGuard g(m_st.recordLock);
      m_r.proxy.port = m_r.target.protocol == kProtoFtp ? m_job.ftpProxy : m_job.httpProxy;
      multiProxy = (m_job.flags & jobflags::kMultiProxy) != 0;
    }
    intptr_t got;
    if (multiProxy) {
      TextBuffer name;
      ctl(CtlGetStatusText, reinterpret_cast<intptr_t>(&name));
      m_r.proxy.title = name.str();
      got = ctl(CtlGetNamedProxy, reinterpret_cast<intptr_t>(&m_r));
    } else {
      got = ctl(CtlGetProxy, reinterpret_cast<intptr_t>(&m_r.proxy));
    }
    if (got < 1) {
      log(kLogError, "Get Proxy Fail!");
      return fail(kResultError);
    }
    m_r.proxyFetched |= 0x01;
  }
  return kStepFreshSocket;
}

void RoleWorker::dropRange() {
  LockGuard g(m_st.progressLock);
  if (m_r.range != nullptr) m_r.range->inUse = 0;
  m_r.range = nullptr;
}

void RoleWorker::closeConnection() {
  // The FTP session lets go of the control socket first: closing it is the Role's.
  if (m_ftp) m_ftp->detach();
  if (m_tls) m_tls->close();
  m_tls.reset();
  m_plain.reset();
  if (m_fd >= 0) shutdownSocket(m_fd);
  closeSocket(m_fd);
  m_spill.clear();
}

int RoleWorker::doSocket() {
  m_r.target.chunked = 0;
  bool notResumable;
  {
    LockGuard g(m_st.recordLock);
    notResumable = m_job.notResumable();
  }
  if (notResumable) {
    dropRange();
    if (m_r.roleNo != 1) return fail(kResultClose);
    if (ctl(CtlIdleRoles) > 1) return fail(kResultClose);
    LockGuard g(m_st.progressLock);
    m_job.downloaded = 0;
  }
  if (m_tls && m_tls->close(true) != 1) return fail(kResultTls);
  closeConnection();
  int err = 0;
  switch (createStreamSocket(m_fd, err)) {
    case SocketSetup::Ok:
      return kStepConnect;
    case SocketSetup::CreateFailed:
      m_r.lastSocketError = err;
      log(kLogError, "Error occured! 1001");
      return kStepEnd;
    case SocketSetup::OptionFailed:
      m_r.lastSocketError = err;
      return retry(kStepEnd);
    case SocketSetup::NonBlockFailed:
      m_r.lastSocketError = err;
      return retry(kStepFreshSocket);
  }
  return kStepEnd;
}

int RoleWorker::doConnect() {
  ConnectOptions options;
  options.connOutSec = m_sh.settings.connOutSec;
  options.dataOutSec = m_sh.settings.dataOutSec;
  int got = EstablishConnection(m_r, m_fd, options, m_spill);
  if (got != 1) return fail(got);
  if (m_r.target.protocol == kProtoFtp) return doFtpWelcome();
  return kStepHttpHead;
}

int RoleWorker::doFtpWelcome() {
  if (!m_ftp) m_ftp = std::make_unique<RoleFtpGlue>(m_r, m_sh, *m_buf, m_clock);
  int code = m_ftp->attach(m_fd, m_spill);
  m_spill.clear();
  if (code == 220 || code == 120) return kStepFtpUser;
  return fail(code);
}

int RoleWorker::doFtpStep(int step) {
  if (!m_ftp) return fail(kResultError);
  int code = 0;
  int after = kStepUrl;
  int next = m_ftp->step(step, code, after);
  if (next == kStepDispatch) return fail(code);
  if (next == kStepRetryPause) return retry(after);
  return next;
}

std::string RoleWorker::positionText() {
  LockGuard g1(m_st.recordLock);
  LockGuard g2(m_st.progressLock);
  if (m_job.sizeKnown() && m_job.resumable() && m_r.range != nullptr) {
    return std::to_string(m_r.range->start);
  }
  return std::to_string(m_job.downloaded);
}

int RoleWorker::flushBuffer() {
  if (m_buf->fill == 0) return 1;
  return storeReceived(m_st, *m_buf, &m_r) == 1 ? 1 : kResultError;
}

bool RoleWorker::isLastRole() {
  uint8_t last = 0;
  ctl(CtlIsLastRole, reinterpret_cast<intptr_t>(&last));
  return last == 1;
}

int RoleWorker::doDispatch() {
  int code = m_code;
  bool hasRange = m_r.range != nullptr;
  bool resumableKnown;
  {
    LockGuard g(m_st.recordLock);
    resumableKnown = m_job.resumable() && m_job.sizeKnown();
  }
  auto socketErrorText = [&] {
    return m_r.lastSocketError != 0
               ? "Error occured! Socket Error=" + std::to_string(m_r.lastSocketError)
               : std::string("Error occured!");
  };
  if (code == 0) return retry(kStepUrl);
  if (code >= 1) {
    m_r.speed = 0;
    return retry(kStepFreshSocket);
  }
  switch (code) {
    case -2:
      if (resumableKnown && !hasRange) {
        log(kLogError, "Thread Caclled by user");
      } else {
        log(kLogError, "Thread Caclled by user at " + positionText());
      }
      m_r.outcome = 2;
      return kStepEnd;
    case kResultClose:
      if (m_r.lastSocketError != 0) log(kLogError, socketErrorText());
      log(kLogError, "Thread Closed");
      m_r.outcome = 2;
      return kStepEnd;
    case -4: {
      if (hasRange) {
        log(kLogError, "Thread Restart at " + std::to_string(m_r.range->start));
      } else {
        log(kLogError, "Thread Restart ");
      }
      int f = flushBuffer();
      if (f != 1) return fail(f);
      dropRange();
      return kStepFreshSocket;
    }
    case -5:
      if (hasRange) {
        log(kLogError, "Thread Caclled by user at " + std::to_string(m_r.range->start));
      } else {
        log(kLogError, "Thread Caclled by user");
      }
      m_r.outcome = 5;
      return kStepEnd;
    case -6:
      if (resumableKnown && !hasRange) {
        log(kLogState, "Thread stop");
      } else {
        log(kLogState, "Thread stop at " + positionText());
      }
      m_r.speed = m_r.speed / 2;
      m_r.outcome = 2;
      return retry(kStepEnd);
    case -7:
      log(kLogState, "Reach Max Error,Role Halt!");
      m_r.outcome = 3;
      return kStepEnd;
    case kResultTimeout:
      log(kLogError, "Wait time out! thread Close.");
      return retry(kStepFreshSocket);
    case kResultRemoteChanged:
      m_r.speed = m_r.speed / 2;
      return kStepUrl;
    case kResultProxyFailed: {
      log(kLogError, "Change Next Proxy!");
      TextBuffer name;
      ctl(CtlGetStatusText, reinterpret_cast<intptr_t>(&name));
      m_r.proxy.title = name.str();
      if (ctl(CtlGetNamedProxy, reinterpret_cast<intptr_t>(&m_r)) >= 1) return kStepUrl;
      m_r.outcome = 3;
      return kStepEnd;
    }
    case kResultTls:
      log(kLogError, "SSL Error occured!");
      m_r.outcome = 3;
      return kStepEnd;
    case kResultDialup:
      log(kLogError, "Dial-up Error!");
      m_r.outcome = 3;
      return kStepEnd;
    case kResultError:
      log(kLogError, socketErrorText());
      m_r.outcome = 3;
      return kStepEnd;
    default:
      m_r.outcome = 7;
      log(kLogError, socketErrorText());
      m_r.outcome = 3;
      return kStepEnd;
  }
}

int RoleWorker::doRetryPause() {
  m_r.target.chunked = 0;
  if (m_after == kStepEnd) {
    log(kLogError, "Error occured!");
    return kStepEnd;
  }
  if (m_sh.ctlFlags & ctlflags::kErrorStop) {
    log(kLogError, "Download error occur.");
    return kStepEnd;
  }
  if (!(m_sh.settings.connType & conntype::kAlwaysRetry)) {
    uint32_t count = m_sh.retryCount;
    if (count >= m_sh.settings.retryNum) return fail(-7);
    ctl(CtlRetryReport, static_cast<intptr_t>(count + 1));
  }
  char text[160];
  if (m_r.lastSocketError != 0) {
    std::snprintf(text, sizeof text, "Error occured! Error code:%d , Wait %d second retry",
                  m_r.lastSocketError, m_sh.settings.relaytSec);
  } else {
    std::snprintf(text, sizeof text, "Error occured!, Wait %d second retry",
                  m_sh.settings.relaytSec);
  }
  log(kLogError, text);
  m_r.speed = 0;
  m_r.errorCount++;
  DialLine* dial = m_sh.dial;
  if (m_sh.settings.useDialup && dial != nullptr && dial->enabled()) {
    if (!dial->lineUpEvent().isSet()) {
      ctl(CtlDial);
      log(kLogState, "Wait dialing...");
      while (!m_clock.waitEvent(dial->lineUpEvent(), 49)) {
        if (m_r.stopEvent.tryWait()) return fail(m_r.outcome);
      }
      // The line is back: the Role goes on with what it was doing rather than
      // dropping a download the user asked for.
    }
  } else if (slicedWait(m_clock, m_r.stopEvent, 1000LL * m_sh.settings.relaytSec, 50) ==
             WaitResult::Stopped) {
    return fail(m_r.outcome);
  }
  return m_after;
}

void RoleWorker::doEnd() {
  // The buffer is handed over while the Role still holds its range, so that a save in
  // between knows which range its bytes are missing from.
  if (flushBuffer() != 1) m_r.outcome = 3;
  dropRange();
  closeConnection();
  if (isLastRole()) {
    ctl(CtlTransferStopped);
    if (flushCache(m_st, &m_r) != 1) m_r.outcome = 3;
    bool complete;
    {
      LockGuard g1(m_st.recordLock);
      LockGuard g2(m_st.progressLock);
      complete = (m_job.flags & jobflags::kComplete) != 0;
      if (!complete && m_job.sizeKnown() && m_job.downloaded >= m_job.fileSize) complete = true;
      // A counter that reached the size while a range is still open is a counting
      // fault, not a finished file: the rename would give a file with a hole.
      if (complete && m_job.sizeKnown() && m_job.resumable()) {
        for (const PartRange& p : m_job.parts) {
          if (!p.finished()) complete = false;
        }
      }
      if (complete) m_job.flags |= jobflags::kComplete;
    }
    closeTarget(m_st, &m_r);
    if (complete) {
      {
        LockGuard g1(m_st.recordLock);
        m_job.flags2 &= static_cast<uint16_t>(~jobflags2::kDownloadAgain);
        LockGuard g2(m_st.progressLock);
        m_job.parts.clear();
      }
      if (renameToFinal(m_st) == 1) {
        LockGuard g(m_st.recordLock);
        m_job.flags &= static_cast<uint16_t>(~jobflags::kTempExt);
      }
    }
  }
  ctl(CtlRoleDone, reinterpret_cast<intptr_t>(m_r.thread));
}

bool parseContentRange(const std::string& value, int64_t& first, int64_t& last, int64_t& total) {
  std::string v;
  for (char c : value) v += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t b = v.find("bytes");
  if (b == std::string::npos) return false;
  const char* p = v.c_str() + b + 5;
  while (*p == ' ' || *p == '=') ++p;
  char* endp = nullptr;
  long long f = std::strtoll(p, &endp, 10);
  if (endp == p || *endp != '-') return false;
  p = endp + 1;
  long long l = std::strtoll(p, &endp, 10);
  if (endp == p || *endp != '/') return false;
  p = endp + 1;
  long long t = std::strtoll(p, &endp, 10);
  first = f;
  last = l;
  total = endp == p ? -1 : t;
  return f >= 0 && l >= f;
}

}  // namespace fw

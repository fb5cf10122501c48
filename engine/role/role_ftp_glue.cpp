#include "engine/role/role_ftp_glue.h"

#include "engine/base/control_codes.h"
#include "engine/ftp/ftp_queries.h"
#include "engine/ftp/ftp_reply.h"
#include "engine/ftp/ftp_socket_link.h"
#include "engine/storage/cache_writer.h"
#include "engine/storage/target_file.h"

namespace fw {

RoleFtpGlue::RoleFtpGlue(RoleRecord& role, RoleJob& shared, ReceiveBuffer& buffer, Clock& clock)
    : m_role(role),
      m_shared(shared),
      m_storage(*shared.storage),
      m_buf(buffer),
      m_loop(role, *shared.storage, *shared.program, clock),
      m_dialer(std::make_unique<FtpSocketDialer>()),
      m_view{*shared.job, shared.storage->recordLock, shared.storage->progressLock} {
  const RoleSettings& s = shared.settings;
  m_settings.dataOutSec = s.dataOutSec;
  m_settings.connOutSec = s.connOutSec;
  m_settings.asciiExtensions = s.asciiMode;
  m_settings.loginMail = s.ftpLoginMail;
  m_settings.stillNonResumable = s.stillDownloadNonResumable;
  m_settings.allocateOnSize = s.allocateOnSize;
  m_dialer->dataOutMs = s.dataOutSec * 1000;
  m_session.dialer = m_dialer.get();
}

RoleFtpGlue::~RoleFtpGlue() {
  detach();
}

int RoleFtpGlue::attach(int fd, const std::string& initial) {
  detach();
  Clock& clock = m_role.clock != nullptr ? *m_role.clock : Clock::system();
  m_control = std::make_unique<FtpSocketLink>(fd, clock, ftpReplyTimeoutMs(m_settings), initial);
  m_session.control = m_control.get();
  int err = 0;
  int code =
      readReply(err, *m_control, m_role, ftpReplyTimeoutMs(m_settings), m_session.pending, true);
  m_session.lastReply = code;
  return code;
}

void RoleFtpGlue::detach() {
  m_session.closeData();
  if (m_control) m_control->release();
  m_control.reset();
  m_session.control = nullptr;
  m_session.pending = FtpReplyBuffer{};
  m_session.retrAttempt = 0;
}

int RoleFtpGlue::step(int step, int& code, int& retryStep) {
  if (m_session.control == nullptr) {
    // Only a connected Role reaches the FTP steps; anything else is a fault of the Role.
    code = kResultError;
    return kStepDispatch;
  }
  FtpStepContext ctx{m_session, m_view, m_settings, *this, m_shared.ftpFlags};
  int next = runFtpStep(step, m_role, ctx);
  code = ctx.code;
  retryStep = ctx.retryStep;
  return next;
}

bool RoleFtpGlue::hasOpenTarget() {
  LockGuard g(m_storage.cacheLock);
  return m_storage.fileFd >= 0;
}

int RoleFtpGlue::prepareTarget() {
  // Two Roles that learn the size together create the file once.
  LockGuard g(m_storage.cacheLock);
  return fw::prepareTarget(m_storage, m_role) == 1 ? 1 : -1;
}

int RoleFtpGlue::checkDiskSpace() {
  return fw::checkDiskSpace(m_storage);
}

void RoleFtpGlue::deleteTarget() {
  // Whatever the cache still holds belongs to the file being thrown away.
  flushCache(m_storage, &m_role);
  closeTarget(m_storage, &m_role);
  JobRecord copy;
  {
    LockGuard rec(m_storage.recordLock);
    LockGuard prog(m_storage.progressLock);
    copy = m_storage.job;
  }
  deleteJobFile(m_storage.fs, copy, false, true);
}

void RoleFtpGlue::resetJob() {
  LockGuard rec(m_storage.recordLock);
  LockGuard prog(m_storage.progressLock);
  JobRecord& job = m_storage.job;
  m_role.range = nullptr;
  job.parts.clear();
  job.fileSize = -1;
  job.downloaded = 0;
  job.fileDate = DateStamp{};
  job.createTime = DateStamp{};
  job.flags &= static_cast<uint16_t>(~(jobflags::kComplete | jobflags::kResumeMask));
  m_buf.clear();
}

void RoleFtpGlue::setBufferOffset(int64_t offset) {
  m_buf.fileOffset = offset;
}

int RoleFtpGlue::flushBuffer() {
  if (m_buf.fill == 0) return 1;
  return storeReceived(m_storage, m_buf, &m_role) == 1 ? 1 : kResultError;
}

size_t RoleFtpGlue::prepare(char*& dst) {
  m_asked = m_loop.takeBudget(m_buf.room());
  dst = reinterpret_cast<char*>(m_buf.data + m_buf.fill);
  return static_cast<size_t>(m_asked);
}

int RoleFtpGlue::accepted(size_t n) {
  int got = static_cast<int>(n);
  m_loop.pace(m_asked, got);
  m_loop.countSpeed(got);
  m_buf.fill = static_cast<uint16_t>(m_buf.fill + m_loop.advance(got));
  if (m_loop.transferComplete()) {
    m_role.outcome.store(1);
    return 1;
  }
  if (m_buf.full()) {
    if (storeReceived(m_storage, m_buf, &m_role) != 1) return kResultError;
    m_buf.fileOffset = m_loop.position();
  }
  return 0;
}

bool RoleFtpGlue::closeNeedsConfirmation() {
  LockGuard g(m_storage.recordLock);
  return !m_storage.job.sizeKnown();
}

int RoleFtpGlue::peerClosed() {
  if (!m_loop.closeCompletes()) return 0;
  m_role.outcome.store(1);
  return 1;
}

}  // namespace fw

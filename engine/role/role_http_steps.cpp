// Steps 26 and 30: the HTTP and HTTPS request, the judgement of the response head and
// the body.

#include <cctype>
#include <cstring>

#include "engine/base/text_buffer.h"
#include "engine/http/http_request.h"
#include "engine/net/byte_source.h"
#include "engine/net/role_net.h"
#include "engine/net/tls_session.h"
#include "engine/role/role_worker.h"
#include "engine/storage/cache_writer.h"
#include "engine/storage/receive_loop.h"
#include "engine/storage/target_file.h"

namespace fw {

namespace {

// Passes every call on, and keeps the value of a "Content-Range" server line: the
// Role needs where a partial answer starts, which the parsed head does not keep.
class ContentRangeTap final : public RoleChannel {
 public:
  ContentRangeTap(RoleChannel& inner, std::string& value) : m_inner(inner), m_value(value) {}
  intptr_t control(RoleRecord& role, uint32_t code, intptr_t arg) override {
    return m_inner.control(role, code, arg);
  }
  void log(RoleRecord& role, int kind, const std::string& text) override {
    if (kind == kLogServer && text.size() > 14) {
      std::string name = text.substr(0, 14);
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (name == "content-range:") m_value = text.substr(14);
    }
    m_inner.log(role, kind, text);
  }

 private:
  RoleChannel& m_inner;
  std::string& m_value;
};

// Hands out the bytes that followed a proxy's CONNECT reply before reading the socket.
class SpillSource final : public ByteSource {
 public:
  SpillSource(std::string& spill, ByteSource& inner) : m_spill(spill), m_inner(inner) {}
  int waitReadable(int ms) override { return m_spill.empty() ? m_inner.waitReadable(ms) : 1; }
  int read(uint8_t* dst, int max, int* error) override {
    if (m_spill.empty()) return m_inner.read(dst, max, error);
    return fromSpill(dst, max);
  }
  int readNow(uint8_t* dst, int max, int* error) override {
    if (m_spill.empty()) return m_inner.readNow(dst, max, error);
    return fromSpill(dst, max);
  }
  bool emptiedBy(int asked, int got) const override {
    return m_spill.empty() && m_inner.emptiedBy(asked, got);
  }
  bool pending() const override { return !m_spill.empty() || m_inner.pending(); }
  int failureResult() const override { return m_inner.failureResult(); }
  int descriptor() const override { return m_inner.descriptor(); }

 private:
  int fromSpill(uint8_t* dst, int max) {
    int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(max), m_spill.size()));
    std::memcpy(dst, m_spill.data(), static_cast<size_t>(n));
    m_spill.erase(0, static_cast<size_t>(n));
    return n;
  }

  std::string& m_spill;
  ByteSource& m_inner;
};

}  // namespace

ByteSource& RoleWorker::source() {
  if (m_tls) return *m_tls;
  if (!m_plain) m_plain = std::make_unique<SocketByteSource>(m_fd);
  return *m_plain;
}

void RoleWorker::retakeCookies() {
  // Cookies belong to the site they came from: a new URL gets the jar's cookies for it
  // or none at all.
  m_r.target.cookie.clear();
  if (m_sh.cookies) {
    attachBrowserCookies(m_r.target, m_sh.settings.protocolCheck, true, m_sh.cookies);
  }
}

int RoleWorker::doHttpHead() {
  if (m_r.target.protocol == kProtoHttps) {
    TlsOptions options;
    options.verify = m_sh.settings.tlsVerify != 0;
    options.dataOutSec = m_sh.settings.dataOutSec;
    m_tls = std::make_unique<TlsSession>(m_r);
    int opened = m_tls->open(m_fd, m_r.target.host, options);
    if (opened != 1) {
      if (opened == kTlsHandshakeFailed) m_tls.reset();
      return fail(opened);
    }
  }
  std::string request;
  int composed = composeRoleRequest(m_access, static_cast<int>(m_sh.settings.userAgent),
                                    m_sh.settings.protocolCheck, request);
  if (composed != 1) return fail(composed);
  bool reopen;
  {
    LockGuard g1(m_st.recordLock);
    LockGuard g2(m_st.progressLock);
    reopen = m_job.downloaded > 0 && m_job.createTime.isSet();
  }
  if (reopen) {
    bool opened;
    {
      LockGuard g(m_st.cacheLock);
      opened = m_st.fileFd >= 0 || prepareTarget(m_st, m_r) == 1;
    }
    if (!opened) {
      log(kLogError, "Not find downloaded file, can't resume! ");
      return fail(kResultClose);
    }
  }
  // The plain-HTTP line sender takes at most 2,045 bytes. Sending nothing and waiting
  // out the data time-out, only to retry the same request for ever, would hide the
  // reason: the Role ends with an error that says it.
  if (!m_tls && request.size() > kMaxPlainRequest) {
    log(kLogError, "Request too long (" + std::to_string(request.size()) + " bytes), not sent.");
    return fail(kResultError);
  }
  request += "\r\n";
  int sent =
      m_tls ? m_tls->write(request.data(), request.size())
            : SendAll(m_fd, request.data(), request.size(), m_r, 1000LL * m_sh.settings.dataOutSec);
  if (sent != static_cast<int>(request.size())) {
    if (sent < 0 && sent != -1 && sent != kResultTimeout && sent != kResultTls) return fail(sent);
    return retry(kStepFreshSocket);
  }
  emptyBuffer();
  m_head.reset();
  m_contentRange.clear();
  SpillSource src(m_spill, source());
  RoleChannel* channel = m_r.channel;
  ContentRangeTap tap(*channel, m_contentRange);
  m_r.channel = &tap;
  int got = m_head.read(src, m_access, 1000 * m_sh.settings.dataOutSec, true, *m_buf, m_r.target);
  m_r.channel = channel;
  if (got < 1) return fail(got);
  return judgeHead();
}

int RoleWorker::judgeHead() {
  UrlParts& t = m_r.target;
  bool again;
  {
    LockGuard g(m_st.recordLock);
    if (m_job.fileDate.day == 0) m_job.fileDate = t.remoteDate;
    again = (m_job.flags2 & jobflags2::kDownloadAgain) && m_r.roleNo == 1;
  }
  if (again) {
    DateStamp theirs = t.remoteDate;
    DateStamp ours;
    {
      LockGuard g(m_st.recordLock);
      ours = m_job.fileDate;
    }
    // Field by field: two different dates can have equal sums.
    if (theirs.sameMoment(ours) && theirs.year + theirs.month + theirs.day != 0) {
      if (isLastRole()) {
        LockGuard g(m_st.recordLock);
        m_job.flags |= jobflags::kComplete;
      }
      return fail(kResultClose);
    }
    log(kLogError, "The file on the server is newer, download it again.");
    {
      LockGuard g(m_st.cacheLock);
      if (m_st.fileFd >= 0) m_st.fs.closeFile(m_st.fileFd);
      m_st.fileFd = -1;
    }
    {
      // The file's names and state are the Roles' and the controller's to change.
      LockGuard rec(m_st.recordLock);
      LockGuard prog(m_st.progressLock);
      deleteJobFile(m_st.fs, m_job, true, true);
    }
    emptyBuffer();
    if (isLastRole()) {
      {
        LockGuard g(m_st.recordLock);
        m_job.flags &= static_cast<uint16_t>(
            ~(jobflags::kComplete | jobflags::kTempExt | jobflags::kResumable));
        m_job.flags2 = 0;
        m_job.fileDate = DateStamp{};
        m_job.fileSize = -1;
        m_job.createTime = DateStamp{};
      }
      LockGuard g(m_st.progressLock);
      m_job.downloaded = 0;
      m_job.parts.clear();
      m_r.range = nullptr;
    }
    return fail(kResultRemoteChanged);
  }
  {
    LockGuard g(m_st.recordLock);
    if ((m_job.flags & jobflags::kResumeMask) == 0) {
      m_job.flags |= t.httpMajor >= 1 ? jobflags::kResumable : jobflags::kNotResumable;
    }
    if (m_job.resumable() && t.httpMajor == 0) {
      m_st.recordLock.unlock();
      log(kLogError, "Server changed surport resume!");
      m_st.recordLock.lock();
      return fail(kResultClose);
    }
  }
  int64_t fileSize;
  int row;
  {
    LockGuard g(m_st.recordLock);
    fileSize = m_job.fileSize;
    row = m_job.listIndex;
  }
  ctl(CtlRedrawRow, row);
  switch (t.status) {
    case 200: {
      if (fileSize >= 0 && fileSize != t.contentLength) {
        log(kLogError, "File size already changed!");
        emptyBuffer();
        return fail(kResultError);
      }
      int64_t start = 0;
      {
        LockGuard g(m_st.progressLock);
        if (m_r.range != nullptr) start = m_r.range->start;
      }
      if (m_r.range == nullptr || start == 0) {
        // Asked to continue a file of unknown size and given all of it: it starts over.
        LockGuard g(m_st.progressLock);
        if (fileSize < 0 && m_job.downloaded > 0) m_job.downloaded = 0;
        return kStepHttpBody;
      }
      TextBuffer alt;
      ctl(CtlNextAltUrl, reinterpret_cast<intptr_t>(&alt));
      if (alt.result == 1) {
        t.url = alt.str();
        emptyBuffer();
        return retry(kStepUrl);
      }
      if (alt.result == 2) {
        {
          LockGuard g(m_st.recordLock);
          m_job.flags = static_cast<uint16_t>((m_job.flags & ~jobflags::kResumeMask) |
                                              jobflags::kNotResumable);
        }
        emptyBuffer();
        log(kLogState, "This site can't resume broken downloads.");
        if (m_r.roleNo == 1) {
          ctl(CtlReleaseRange, reinterpret_cast<intptr_t>(&m_r.range));
          {
            LockGuard g(m_st.progressLock);
            m_r.range = nullptr;
          }
          return retry(kStepUrl);
        }
        ctl(CtlRestartRole, 1);
        return fail(kResultError);
      }
      emptyBuffer();
      return fail(kResultError);
    }
    case 206: {
      int64_t asked = 0;
      {
        LockGuard g(m_st.progressLock);
        asked = m_r.range != nullptr ? m_r.range->start : m_job.downloaded;
      }
      bool bad = fileSize >= 0 && m_r.range != nullptr && t.contentLength > 0 &&
                 t.contentLength != fileSize - asked;
      // The bytes are written where they were asked for, so they must start there.
      int64_t first = 0, last = 0, total = -1;
      if (!parseContentRange(m_contentRange, first, last, total) || first != asked ||
          (total >= 0 && fileSize >= 0 && total != fileSize)) {
        bad = true;
      }
      if (bad) {
        log(kLogError, "File size already changed!");
        emptyBuffer();
        return fail(kResultClose);
      }
      return kStepHttpBody;
    }
    case 300:
    case 301:
    case 302:
    case 303:
    case 307:
    case 308: {
      // A download is a GET whichever way the server redirects it. Redirects that never
      // lead to data are a loop, which no retry heals: the job fails at once.
      if (++m_redirects > kMaxRedirects) {
        log(kLogError, "Too many redirects");
        emptyBuffer();
        m_r.outcome = 3;
        return kStepEnd;
      }
      if (slicedWait(m_clock, m_r.stopEvent, m_sh.settings.redirectPauseMs, 50) ==
          WaitResult::Stopped) {
        return fail(m_r.outcome);
      }
      if (!m_keepReferer) t.referer.clear();
      t.user.clear();
      t.password.clear();
      log(kLogState, "Redirect to " + t.url);
      emptyBuffer();
      retakeCookies();
      return kStepUrl;
    }
    case 400:
      if (t.path.find(' ') != std::string::npos) {
        std::string fixed;
        for (char c : t.path) fixed += c == ' ' ? std::string("%20") : std::string(1, c);
        t.path = fixed;
        emptyBuffer();
        return retry(kStepFreshSocket);
      }
      [[fallthrough]];
    default: {
      emptyBuffer();
      TextBuffer alt;
      ctl(CtlNextAltUrl, reinterpret_cast<intptr_t>(&alt));
      if (alt.result == 1 && alt.str().size() < 2000) {
        t.url = alt.str();
        return retry(kStepUrl);
      }
      return fail(kResultError);
    }
  }
}

int RoleWorker::doHttpBody() {
  switch (checkDiskSpace(m_st)) {
    case -1:
      log(kLogError, "Invalid Save file Path!");
      return fail(kResultError);
    case 0:
      log(kLogError, "There is not enough space on the disk.");
      return fail(kResultError);
    default:
      break;
  }
  bool sizeKnown, resumable, notResumable;
  int64_t fileSize;
  {
    LockGuard g(m_st.recordLock);
    sizeKnown = m_job.sizeKnown();
    resumable = m_job.resumable();
    notResumable = m_job.notResumable();
  }
  if (notResumable && !m_sh.settings.stillDownloadNonResumable) {
    log(kLogError, "This site can't resume broken downloads.Thread stop!");
    return kStepEnd;
  }
  if (m_r.roleNo == 1) {
    LockGuard g(m_st.recordLock);
    m_sh.target = m_r.target;
  }
  bool chunked = m_r.target.chunked != 0;
  // With a chunked body the bytes that came with the head are raw chunk text; they go
  // through the decoder before anything else.
  std::string raw;
  if (chunked) {
    raw.assign(reinterpret_cast<const char*>(m_buf->data), m_buf->fill);
    m_buf->clear();
    m_chunked.reset();
  }
  if (!sizeKnown) {
    LockGuard g(m_st.progressLock);
    if (m_job.downloaded == 0) {
      m_st.progressLock.unlock();
      log(kLogState, "File size unknown, can't start other parts.");
      m_st.progressLock.lock();
    }
    m_buf->fileOffset = m_job.downloaded;
    if (!chunked) {
      m_job.downloaded += m_buf->fill;
      m_r.unstored += m_buf->fill;
    }
  } else if (resumable) {
    if (m_r.range == nullptr) {
      intptr_t got = ctl(CtlAssignRange, reinterpret_cast<intptr_t>(&m_r));
      if (got < 0) return fail(static_cast<int>(got));
      if (got == 0 || m_r.range == nullptr) return fail(kResultClose);
    }
    LockGuard g(m_st.progressLock);
    m_buf->fileOffset = m_r.range->start;
    if (!chunked) {
      int64_t room = m_r.range->end - m_r.range->start + 1;
      if (room < m_buf->fill) m_buf->fill = static_cast<uint16_t>(room < 0 ? 0 : room);
      m_r.range->start += m_buf->fill;
      m_job.downloaded += m_buf->fill;
      m_r.unstored += m_buf->fill;
    }
  } else {
    LockGuard g(m_st.progressLock);
    m_buf->fileOffset = m_job.downloaded;
    if (!chunked) {
      m_job.downloaded += m_buf->fill;
      m_r.unstored += m_buf->fill;
    }
  }
  if (sizeKnown && m_sh.settings.allocateOnSize) {
    LockGuard g(m_st.cacheLock);
    if (m_st.fileFd < 0) prepareTarget(m_st, m_r);
  }
  if (m_r.roleNo == 1 && !m_sh.transferStartedSent.exchange(1)) ctl(CtlTransferStarted);
  if (m_r.roleNo == 2 && !m_sh.growSent.exchange(1)) ctl(CtlGrowToSplit);
  log(kLogState, "Start Receiving Data!");
  m_redirects = 0;

  SpillSource src(m_spill, source());
  int got;
  if (chunked) {
    got = 1;
    if (!raw.empty()) {
      FlushFn flush = [this](ReceiveBuffer& b) {
        return storeReceived(m_st, b, &m_r) == 1 ? 1 : kResultError;
      };
      got = decodeChunked(m_chunked, reinterpret_cast<const uint8_t*>(raw.data()), raw.size(),
                          *m_buf, m_access, flush);
      if (got == ChunkedDecoder::kMore) got = 1;
    }
    if (got == ChunkedDecoder::kEnd) {
      got = receiveChunked(src);  // finishes at once: the decoder is done
    } else if (got == 1) {
      got = receiveChunked(src);
    }
  } else {
    ReceiveLoop loop(m_r, m_st, *m_sh.program, m_clock);
    got = loop.run(src, *m_buf, m_sh.settings.dataOutSec);
  }
  if (got != 1) {
    if (flushBuffer() != 1) return fail(kResultError);
    return fail(got);
  }
  log(kLogError, "Thread finished");
  if (flushBuffer() != 1) return fail(kResultError);
  m_buf->fileOffset = 0;
  bool complete;
  int64_t downloaded;
  {
    LockGuard g(m_st.recordLock);
    complete = (m_job.flags & jobflags::kComplete) != 0;
    sizeKnown = m_job.sizeKnown();
    resumable = m_job.resumable();
    fileSize = m_job.fileSize;
  }
  {
    LockGuard g(m_st.progressLock);
    downloaded = m_job.downloaded;
  }
  if (!sizeKnown) {
    if (!complete) {
      m_buf->fileOffset = downloaded;
      return kStepUrl;
    }
    return fail(kResultClose);
  }
  bool openRange = false;
  if (resumable) {
    LockGuard g(m_st.progressLock);
    for (const PartRange& p : m_job.parts) {
      if (!p.finished() && !p.inUse) openRange = true;
    }
  }
  if (downloaded >= fileSize && openRange) {
    log(kLogError, "Byte count reached the file size with a range still open; fetching it.");
  }
  if (downloaded < fileSize || openRange) {
    if (!resumable) return kStepHttpBody;
    intptr_t next = ctl(CtlAssignRange, reinterpret_cast<intptr_t>(&m_r));
    if (next < 0) return fail(static_cast<int>(next));
    if (next == 0 || m_r.range == nullptr) return fail(kResultClose);
    LockGuard g(m_st.progressLock);
    m_buf->fileOffset = m_r.range->start;
    return kStepFreshSocket;
  }
  return fail(kResultClose);
}

int RoleWorker::receiveChunked(ByteSource& src) {
  ReceiveLoop loop(m_r, m_st, *m_sh.program, m_clock);
  FlushFn flush = [this](ReceiveBuffer& b) {
    return storeReceived(m_st, b, &m_r) == 1 ? 1 : kResultError;
  };
  uint8_t raw[kReceiveBufferSize];
  auto finish = [&] {
    LockGuard g1(m_st.recordLock);
    LockGuard g2(m_st.progressLock);
    if (!m_job.sizeKnown()) m_job.fileSize = m_job.downloaded;
    if (m_job.downloaded >= m_job.fileSize) m_job.flags |= jobflags::kComplete;
    m_r.outcome = 1;
    return 1;
  };
  if (m_chunked.finished()) return finish();
  bool more = false;  // as in ReceiveLoop::run: read on until nothing is there, then wait
  // Bounded: each pass reads bytes, finds none (and waits next), or waits at most
  // "DataOut" and ends.
  for (;;) {
    const bool waits = !more || loop.mustWaitFirst();
    if (waits) {
      switch (loop.waitForData(src, m_sh.settings.dataOutSec)) {
        case DataWait::Stopped:
          return m_r.outcome;
        case DataWait::TimedOut:
          return kResultTimeout;
        case DataWait::Failed:
          return 0;
        case DataWait::Ready:
          break;
      }
    } else if (m_r.stopEvent.tryWait()) {
      return m_r.outcome;
    }
    int ask = loop.takeBudget(static_cast<int>(sizeof raw));
    if (ask == 0) return m_r.outcome;
    int err = 0;
    int n = src.readNow(raw, ask, &err);  // as ReceiveLoop::run: never a read that waits
    if (n == kReadWouldBlock) {
      loop.returnBudget(ask);
      more = false;
      continue;
    }
    if (n < 0) {
      m_r.lastSocketError = err;
      return 0;
    }
    if (n == 0) return 0;  // closed before the last chunk
    more = !src.emptiedBy(ask, n);
    loop.countSpeed(n);
    int got = decodeChunked(m_chunked, raw, static_cast<size_t>(n), *m_buf, m_access, flush);
    if (got == ChunkedDecoder::kEnd) return finish();
    if (got != ChunkedDecoder::kMore) return got;
    loop.pace(ask, n);
  }
}

}  // namespace fw

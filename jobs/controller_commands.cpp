// The control message (0x0BE0): one command code and its argument, on the main thread.

#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/net/host_resolve.h"
#include "engine/storage/target_file.h"
#include "jobs/job_controller.h"
#include "jobs/range_assign.h"
#include "platform/ascii_text.h"

namespace fw {

namespace {

// Copies `s` into `buf`, cut to 1,990 bytes when it is longer than 1,999.
void copyCut(TextBuffer& buf, const std::string& s) {
  size_t n = s.size() > 1999 ? static_cast<size_t>(kTextCopyLimit) : s.size();
  std::memcpy(buf.text, s.data(), n);
  buf.text[n] = '\0';
}

bool equalNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

intptr_t JobController::command(uint32_t code, intptr_t arg) {
  switch (code) {
    case CtlStart:
      return start();
    case CtlStopRole:
      stopRole(static_cast<int>(arg), kStopUser);
      return 1;
    case CtlHide:
      m_shownEvent.reset();
      return 1;
    case CtlSetQuiet:
      m_quiet = arg != 0;
      return 1;
    case CtlSetRoleCount:
      return grow(static_cast<int>(arg));
    case CtlRoleAlive: {
      auto* p = reinterpret_cast<uint8_t*>(arg);
      if (p == nullptr) return 0;
      *p = findRole(*p) != nullptr ? 1 : 0;
      return *p;
    }
    case CtlIsLastRole: {
      auto* p = reinterpret_cast<uint8_t*>(arg);
      uint8_t last = m_job.activeRoles == 1 ? 1 : 0;
      if (p != nullptr) *p = last;
      return last;
    }
    case CtlStopAll:
      // The user's stop, or the code of a stop the program makes (-14: the dial failed).
      stopAll(arg < 0 ? static_cast<int>(arg) : kStopUser);
      return 1;
    case CtlGrowToSplit:
      return grow(m_job.splitCount);
    case CtlRestartRole:
      return restartRole(static_cast<int>(arg));
    case CtlShow:
      m_shownEvent.set();
      return 1;
    case CtlReleaseRange: {
      auto* slot = reinterpret_cast<PartRange**>(arg);
      if (slot != nullptr && *slot != nullptr) {
        LockGuard g(m_storage->progressLock);
        (*slot)->inUse = 0;
      }
      return 1;
    }
    case CtlStopTimer:
      loop().killTimer(this, kControllerTimerId);
      return 1;
    case CtlTransferStarted: {
      m_shared.ctlFlags |= ctlflags::kFlowing;
      bool notResumable;
      {
        LockGuard g(m_storage->recordLock);
        notResumable = m_job.notResumable();
      }
      if (!notResumable && m_job.splitCount > 1) {
        m_shared.ctlFlags |= ctlflags::kSecondRequested;
        return grow(2);
      }
      return 1;
    }
    case CtlChangeSplit:
      return arg == 0 ? addOne() : removeOne();
    case CtlRoleDone: {
      auto* thread = reinterpret_cast<std::thread*>(arg);
      for (RoleSlot& s : m_roles) {
        if (s.thread.get() == thread && !s.rec->done) {
          s.rec->done = 1;
          if (m_job.activeRoles > 0) m_job.activeRoles--;
          m_reapPending = true;
        }
      }
      // The run ends as soon as its last Role has gone, not at the next tick: a
      // finished download should not wait up to a second to be reported.
      if (m_job.activeRoles == 0) loop().post(this, kMsgLastRoleDone);
      return 1;
    }
    case CtlOfferFileName:
      if (arg != 0) offerFileName(reinterpret_cast<TextBuffer*>(arg)->str());
      return 1;
    case CtlRoleCount:
      if (arg != 0) *reinterpret_cast<int*>(arg) = roleLogCount();
      return roleLogCount();
    case CtlStopOthers: {
      std::vector<int> others;
      for (const RoleSlot& s : m_roles) {
        if (s.rec->roleNo != arg) others.push_back(s.rec->roleNo);
      }
      for (int no : others) stopRole(no, kStopUser);
      return 1;
    }
    case CtlRedrawRow:
      m_host.redrawRow(m_job, static_cast<int>(arg));
      return 1;
    case CtlGetProxy: {
      auto* p = reinterpret_cast<ProxyRecord*>(arg);
      if (p == nullptr) return 0;
      return m_host.proxyByIndex(p->port, *p) ? 1 : 0;
    }
    case CtlGetNamedProxy: {
      auto* r = reinterpret_cast<RoleRecord*>(arg);
      if (r == nullptr) return 0;
      std::string title = r->proxy.title;
      return m_host.proxyByTitle(title, r->proxy) ? 1 : 0;
    }
    case CtlAppendUrlName: {
      if (arg == 0 || m_job.url.rfind("ftp", 0) == 0) return 0;
      std::string name = reinterpret_cast<TextBuffer*>(arg)->str();
      LockGuard g(m_storage->recordLock);
      if (!m_job.url.empty() && m_job.url.back() == '/') {
        m_job.url += name;
      } else {
        m_job.url += "/" + name;
      }
      return 1;
    }
    case CtlOpenFile:
    case CtlCreateFile: {
      LockGuard g(m_storage->cacheLock);
      return openTargetLazily(*m_storage, nullptr);
    }
    case CtlNextAltUrl:
      if (arg != 0) nextAltUrl(*reinterpret_cast<TextBuffer*>(arg));
      return 1;
    case CtlSetFileName:
      if (arg != 0) setFileName(reinterpret_cast<TextBuffer*>(arg)->str());
      return 1;
    case CtlRetryReport:
      m_shared.retryCount++;
      m_host.setRowCell(m_job, "Retry", std::to_string(static_cast<int>(arg)));
      return 1;
    case CtlIdleRoles: {
      intptr_t n = 0;
      for (const RoleSlot& s : m_roles) n += s.rec->done ? 0 : 1;
      return n;
    }
    case CtlTransferStopped:
      m_shared.ctlFlags &= ~ctlflags::kFlowing;
      return 1;
    case CtlForwardToMain:
      m_host.forwardToMain(arg);
      return 1;
    case CtlGetStatusText:
      if (arg != 0) copyCut(*reinterpret_cast<TextBuffer*>(arg), m_statusText);
      return 1;
    case CtlSetStatusText:
      if (arg != 0) m_statusText = reinterpret_cast<TextBuffer*>(arg)->str();
      return 1;
    case CtlGetFileName:
      if (arg != 0) {
        auto& b = *reinterpret_cast<TextBuffer*>(arg);
        LockGuard g(m_storage->recordLock);
        copyCut(b, m_job.fileName);
        b.result = 1;
      }
      return 1;
    case CtlGetSaveDir:
      if (arg != 0) {
        auto& b = *reinterpret_cast<TextBuffer*>(arg);
        LockGuard g(m_storage->recordLock);
        std::string dir = m_job.saveDir;
        while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        if (!equalNoCase(dir, m_job.saveDir)) m_job.saveDir = dir;
        copyCut(b, m_job.saveDir);
        b.result = 1;
      }
      return 1;
    case CtlLookupHost:
      if (arg == 0) return 0;
      return serveHostLookupRequest(loop(), id(), *reinterpret_cast<HostLookupRequest*>(arg));
    case CtlDirectoryListed: {
      if (arg == 0) return 0;
      auto& handOff = *reinterpret_cast<DirectoryHandOff*>(arg);
      handOff.count = m_host.directoryListed(m_job, handOff.files);
      return handOff.count.added;
    }
    case CtlShowSize: {
      const JobProgress p = progress();
      m_host.setRowCell(m_job, "Size",
                        p.sizeKnown() ? sizeText(p.fileSize, m_ending.sizeInBytes) : "");
      if (m_shownEvent.isSet()) m_host.detailRefresh(m_job);
      return 1;
    }
    case CtlAssignRange:
      if (arg == 0) return -3;
      return assignRange(*reinterpret_cast<RoleRecord*>(arg));
    case CtlCanStartRole:
      return canStartRole();
    case CtlDial:
      if (m_shared.dial != nullptr && m_shared.dial->enabled() &&
          !m_shared.dial->lineUpEvent().isSet()) {
        m_host.requestDial();
      }
      return 1;
    case CtlGetUserAgentText:
      if (arg != 0) copyCut(*reinterpret_cast<TextBuffer*>(arg), m_shared.settings.userAgentText);
      return 1;
    case CtlFastestOther: {
      // In: the asking Role's number; out: the highest speed among the other Roles.
      auto* p = reinterpret_cast<uint32_t*>(arg);
      if (p == nullptr) return 0;
      uint32_t best = 0;
      for (const RoleSlot& s : m_roles) {
        if (s.rec->roleNo != *p) best = std::max(best, s.rec->speed.load());
      }
      *p = best;
      return best;
    }
    case CtlHasRanges: {
      LockGuard g(m_storage->progressLock);
      return m_job.parts.empty() ? 0 : 1;
    }
    case CtlGetLogin:
      if (arg != 0) {
        auto& rec = *reinterpret_cast<LoginRecord*>(arg);
        LockGuard g(m_storage->recordLock);
        rec = LoginRecord{m_job.url, m_job.referer, m_job.userName, m_job.password};
      }
      return 1;
    case CtlGetCredentials:
      if (arg != 0) {
        auto& b = *reinterpret_cast<TextBuffer*>(arg);
        std::string s = m_job.userName + ":" + m_job.password;
        if (s.size() > 2047) s.resize(2047);
        std::memcpy(b.text, s.data(), s.size());
        b.text[s.size()] = '\0';
      }
      return 1;
    default:
      return 0;
  }
}

void JobController::offerFileName(const std::string& offered) {
  std::string name = trimmed(offered);
  {
    LockGuard g(m_storage->recordLock);
    LockGuard prog(m_storage->progressLock);
    if (m_job.flags2 & jobflags2::kNameFixed) return;
    bool take = m_job.fileName.empty() || (m_job.downloaded == 0 && !m_job.createTime.isSet() &&
                                           !name.empty() && name != m_job.fileName);
    if (!take) return;
    m_job.fileName = name;
  }
  m_host.setRowCell(m_job, "Name", name);
}

void JobController::setFileName(const std::string& given) {
  std::string name = trimmed(given);
  if (name.empty()) return;
  {
    LockGuard g(m_storage->recordLock);
    m_job.fileName = name;
  }
  m_host.setRowCell(m_job, "Name", name);
}

void JobController::nextAltUrl(TextBuffer& buf) {
  std::string url;
  if (!m_altUrlGiven) {
    if (m_job.altUrls.empty()) {
      buf.result = 2;
      return;
    }
    url = m_job.altUrls.front();
  } else {
    auto it = std::find(m_job.altUrls.begin(), m_job.altUrls.end(), m_currentAltUrl);
    if (it == m_job.altUrls.end() || std::next(it) == m_job.altUrls.end()) {
      buf.result = 0;
      return;
    }
    url = *std::next(it);
  }
  m_altUrlGiven = true;
  m_currentAltUrl = url;
  if (url.size() >= 2000) {
    buf.result = 0;
    return;
  }
  buf.set(url);
  buf.result = 1;
}

}  // namespace fw

namespace fw {

void JobController::hostLookupAnswer(WParam handle, LParam result) {
  relink();
  serveHostLookupAnswer(m_roles.empty() ? nullptr : m_roles.front().rec.get(), handle, result);
}

void JobController::relink() {
  for (size_t i = 0; i < m_roles.size(); ++i) {
    m_roles[i].rec->next = i + 1 < m_roles.size() ? m_roles[i + 1].rec.get() : nullptr;
  }
}

}  // namespace fw

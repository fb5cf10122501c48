#include "jobs/job_controller.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <system_error>

#include "jobs/range_assign.h"

namespace fw {

JobController::JobController(MessageLoop& loop, JobRecord& job, ControllerHost& host, Clock& clock,
                             RoleEntry entry)
    : Window(loop),
      m_job(job),
      m_host(host),
      m_clock(clock),
      m_entry(std::move(entry)),
      m_storage(std::make_unique<JobStorage>(job, StorageOptions{}, clock)) {
  m_shared.job = &m_job;
  m_shared.storage = m_storage.get();
  m_job.controller = this;
}

JobController::~JobController() {
  if (m_running || !m_roles.empty()) end();
  if (m_job.controller == this) m_job.controller = nullptr;
}

int JobController::prepareRun(const RoleSettings& roleSettings, const EndingOptions& ending,
                              const StorageOptions& storage, DialLine* dial) {
  if (m_job.activeRoles != 0 || !m_roles.empty()) return -1;
  m_storage = std::make_unique<JobStorage>(m_job, storage, m_clock);
  m_storage->namesChanged = [this] { m_namesChanged = true; };
  m_shared.storage = m_storage.get();
  m_speed = 0;
  m_statusText.clear();
  m_endReason = 0;
  m_quiet = false;
  m_shared.ctlFlags = ending.errorStop ? ctlflags::kErrorStop : 0;
  m_shared.retryCount = 0;
  m_shared.transferStartedSent = 0;
  m_shared.growSent = 0;
  m_shared.ftpFlags = 0;
  m_shared.settings = roleSettings;
  m_shared.dial = dial;
  m_shared.program = m_program != nullptr ? m_program : &m_ownProgram;
  m_shared.cookies = m_cookies;
  m_ending = ending;
  m_altUrlGiven = false;
  m_currentAltUrl.clear();
  m_lastNumShown = -1;
  {
    LockGuard g(m_storage->recordLock);
    m_shared.target = UrlParts{};
    m_shared.target.url = m_job.url;
    m_shared.target.referer = m_job.referer;
    m_shared.target.user = m_job.userName;
    m_shared.target.password = m_job.password;
  }
  m_host.setRowImage(m_job, RowImage::Running);
  if (m_host.isShownJob(m_job)) {
    m_shownEvent.set();
    m_host.roleTreeCleared(m_job);
  } else {
    m_shownEvent.reset();
  }
  return 1;
}

LResult JobController::handleMessage(MessageId msg, WParam w, LParam l) {
  switch (msg) {
    case kMsgControl:
      return command(static_cast<uint32_t>(w), l);
    case kMsgJobLog:
      if (w != 0 && l != 0) {
        appendLog(*reinterpret_cast<RoleRecord*>(l), *reinterpret_cast<const LogLineRecord*>(w));
      }
      return 0;
    case kMsgHostLookup:
      hostLookupAnswer(w, l);
      return 0;
    case kMsgTimer:
      if (w == kControllerTimerId) tick();
      return 0;
    case kMsgLastRoleDone:
      endIfLastRoleGone();
      return 0;
    default:
      return 0;
  }
}

intptr_t JobController::Channel::control(RoleRecord&, uint32_t code, intptr_t arg) {
  return m_c.loop().sendTo(m_c.id(), kMsgControl, code, arg);
}

void JobController::Channel::log(RoleRecord& role, int kind, const std::string& text) {
  if (text.size() > static_cast<size_t>(kLogTextLimit)) return;
  LogLineRecord line{text, kind};
  m_c.loop().sendTo(m_c.id(), kMsgJobLog, reinterpret_cast<WParam>(&line),
                    reinterpret_cast<LParam>(&role));
}

void JobController::appendLog(RoleRecord& role, const LogLineRecord& line) {
  if (role.log == nullptr) return;
  if (role.log->lines.size() > static_cast<size_t>(kRoleLogLineLimit)) role.log->lines.clear();
  std::string text = std::to_string(line.kind) + line.text;
  role.log->lines.push_back(text);
  m_host.logLineAdded(m_job, role.roleNo, text);
}

JobProgress JobController::progress() const {
  LockGuard rec(m_storage->recordLock);
  LockGuard prog(m_storage->progressLock);
  return progressFields(m_job);
}

std::vector<RoleRecord*> JobController::roles() const {
  std::vector<RoleRecord*> out;
  for (const RoleSlot& s : m_roles) out.push_back(s.rec.get());
  return out;
}

RoleRecord* JobController::findRole(int roleNo) const {
  for (const RoleSlot& s : m_roles) {
    if (s.rec->roleNo == roleNo) return s.rec.get();
  }
  return nullptr;
}

int JobController::start() {
  if (m_job.activeRoles != 0) return 1;
  if (m_job.listIndex < 0) m_job.listIndex = 0;
  m_job.flags &= static_cast<uint16_t>(~jobflags::kFailed);
  // A dial that was given up must not keep this run's Roles waiting for a line forever.
  if (m_shared.dial != nullptr && m_shared.dial->enabled()) m_shared.dial->runStarting();
  m_host.setRowImage(m_job, RowImage::Running);
  loop().setTimer(this, kControllerTimerId, 1000);
  m_job.roleLogs.clear();
  m_running = true;
  m_job.roleLogs.push_back(RoleLog{1, {}});
  m_job.roleLogs.back().lines.reserve(10);
  if (!launchRole(1, &m_job.roleLogs.back())) {
    end();
    return 1;
  }
  if (m_shownEvent.isSet()) m_host.roleNodeAdded(m_job, 1);
  return 1;
}

bool JobController::launchRole(int roleNo, RoleLog* log) {
  RoleSlot slot;
  slot.rec = std::make_unique<RoleRecord>();
  RoleRecord& r = *slot.rec;
  r.controller = this;
  r.channel = &m_channel;
  r.shared = &m_shared;
  r.clock = &m_clock;
  r.roleNo = static_cast<uint8_t>(roleNo);
  r.log = log;
  r.startSecond = m_clock.utcSecondOfDay();
  if (roleNo == 1 && m_job.activeRoles == 0) {
    r.target.url = m_job.url;
    r.target.referer = m_job.referer;
    r.target.user = m_job.userName;
    r.target.password = m_job.password;
  }
  slot.finished = std::make_shared<Event>(Event::Reset::Manual);
  slot.thread = std::make_unique<std::thread>();
  r.thread = slot.thread.get();
  RoleRecord* raw = slot.rec.get();
  std::shared_ptr<Event> finished = slot.finished;
  auto pos = std::find_if(m_roles.begin(), m_roles.end(),
                          [&](const RoleSlot& s) { return s.rec->roleNo > roleNo; });
  auto it = m_roles.insert(pos, std::move(slot));
  m_job.activeRoles++;
  try {
    *it->thread = std::thread([entry = m_entry, raw, finished] {
      entry(*raw);
      finished->set();
    });
  } catch (const std::system_error&) {
    m_job.activeRoles--;
    m_roles.erase(std::find_if(m_roles.begin(), m_roles.end(),
                               [&](const RoleSlot& s) { return s.rec.get() == raw; }));
    return false;
  }
  return true;
}

void JobController::finishSlot(RoleSlot& slot, int code) {
  if (slot.thread && slot.thread->joinable()) {
    // A dying Role may sit in a synchronous request to this window; answering it here is
    // what lets it reach its end.
    while (!slot.finished->wait(std::chrono::milliseconds(49))) {
      slot.rec->outcome = code;
      slot.rec->stopEvent.set();
      loop().dispatchOne(this);
    }
    slot.thread->join();
  }
}

void JobController::stopRole(int roleNo, int code) {
  auto it = std::find_if(m_roles.begin(), m_roles.end(),
                         [&](const RoleSlot& s) { return s.rec->roleNo == roleNo; });
  if (it == m_roles.end()) return;
  if (m_job.activeRoles == 1 && !it->rec->done) {
    end();
    return;
  }
  RoleSlot slot = std::move(*it);
  m_roles.erase(it);
  slot.rec->outcome = code;
  slot.rec->stopEvent.set();
  finishSlot(slot, code);
  if (!slot.rec->done && m_job.activeRoles > 0) m_job.activeRoles--;
  refreshRow();
}

void JobController::stopAll(int code) {
  for (RoleSlot& s : m_roles) {
    s.rec->outcome = code;
    s.rec->stopEvent.set();
  }
}

intptr_t JobController::grow(int count) {
  if (count >= kMaxRolesPerJob + 1 || m_roles.empty()) return 0;
  while (roleLogCount() < count) {
    if (canStartRole() == 0) {
      m_job.splitCount = m_job.activeRoles;
      break;
    }
    int no = roleLogCount() + 1;
    m_job.roleLogs.push_back(RoleLog{no, {}});
    if (!launchRole(no, &m_job.roleLogs.back())) {
      m_job.roleLogs.pop_back();
      return 0;
    }
    if (m_shownEvent.isSet()) m_host.roleNodeAdded(m_job, no);
  }
  showNum();
  return 1;
}

intptr_t JobController::addOne() {
  if (!m_running || m_speed <= 0) return 0;
  if (roleLogCount() >= m_ending.maxSplit) return 0;
  if (canStartRole() == 0) {
    m_job.splitCount = m_job.activeRoles;
    return 0;
  }
  if (m_roles.empty()) return 0;
  int no = roleLogCount() + 1;
  m_job.roleLogs.push_back(RoleLog{no, {}});
  if (!launchRole(no, &m_job.roleLogs.back())) {
    m_job.roleLogs.pop_back();
    return 0;
  }
  if (m_job.splitCount < m_job.activeRoles) m_job.splitCount = m_job.activeRoles;
  if (m_shownEvent.isSet()) m_host.roleNodeAdded(m_job, no);
  showNum();
  return 1;
}

intptr_t JobController::removeOne() {
  if (m_job.activeRoles <= 1 || m_roles.empty()) return 0;
  RoleSlot slot = std::move(m_roles.back());
  m_roles.pop_back();
  int no = slot.rec->roleNo;
  slot.rec->outcome = kStopUser;
  slot.rec->stopEvent.set();
  finishSlot(slot, kStopUser);
  for (auto it = m_job.roleLogs.begin(); it != m_job.roleLogs.end(); ++it) {
    if (&*it == slot.rec->log) {
      m_job.roleLogs.erase(it);
      break;
    }
  }
  if (!slot.rec->done && m_job.activeRoles > 0) m_job.activeRoles--;
  if (m_job.splitCount > 0) m_job.splitCount--;
  m_host.roleNodeRemoved(m_job, no);
  showNum();
  return 1;
}

intptr_t JobController::restartRole(int roleNo) {
  if (findRole(roleNo) != nullptr) return 0;
  if (canStartRole() != 1 || roleNo < 1 || roleNo > roleLogCount()) return 0;
  auto log = std::next(m_job.roleLogs.begin(), roleNo - 1);
  if (!launchRole(roleNo, &*log)) return 0;
  if (m_job.splitCount < m_job.activeRoles) m_job.splitCount = m_job.activeRoles;
  return 1;
}

intptr_t JobController::assignRange(RoleRecord& r) {
  {
    LockGuard rec(m_storage->recordLock);
    LockGuard g(m_storage->progressLock);
    if (r.range != nullptr) {
      r.range->inUse = 0;
      r.range = nullptr;
    }
    if (m_job.fileSize <= 0 || !m_job.resumable()) return 0;
    if (m_job.parts.empty()) {
      // A first range of nothing would send a Role to fetch zero bytes.
      if (m_job.downloaded >= m_job.fileSize) return 0;
      m_job.parts.push_back(PartRange{m_job.downloaded, m_job.fileSize - 1, 1});
      r.range = &m_job.parts.back();
      return 1;
    }
    if (PartRange* p = takeFreeRange(m_job.parts)) {
      r.range = p;
      return 1;
    }
  }
  // Nothing free: a Role that has crawled for over 20 seconds gives its range to a
  // faster one. Only the first such Role is considered.
  uint32_t now = m_clock.utcSecondOfDay();
  for (const RoleSlot& s : m_roles) {
    RoleRecord& other = *s.rec;
    if (&other == &r || other.done) continue;
    const uint32_t started = other.startSecond.load();
    const uint32_t slow = other.speed.load();
    uint32_t ran = now > started ? now - started : started - now;
    if (ran > 20 && slow < 20 && r.speed.load() > slow) {
      stopRole(other.roleNo, kStopReplaced);
      LockGuard g(m_storage->progressLock);
      if (PartRange* p = takeFreeRange(m_job.parts)) {
        r.range = p;
        return 1;
      }
      break;
    }
  }
  LockGuard g(m_storage->progressLock);
  auto it = largestRange(m_job.parts);
  if (it == m_job.parts.end() || !worthSplitting(*it, m_ending.minSegmentBytes)) return 0;
  if (!it->inUse) return 0;
  bool owned = false;
  for (const RoleSlot& s : m_roles) {
    if (s.rec->range == &*it) owned = true;
  }
  if (!owned) return 0;
  // The owner keeps receiving: it reads its range end under this same lock.
  if (PartRange* upper = splitRange(m_job.parts, it)) {
    r.range = upper;
    return 1;
  }
  return 0;
}

intptr_t JobController::canStartRole() {
  LockGuard g(m_storage->progressLock);
  if (m_job.parts.empty()) return 0;
  if (hasFreeRange(m_job.parts)) return 1;
  auto it = largestRange(m_job.parts);
  return it != m_job.parts.end() && worthSplitting(*it, m_ending.minSegmentBytes) ? 1 : 0;
}

void JobController::showNum() {
  int key = m_job.activeRoles * 256 + m_job.splitCount;
  if (key == m_lastNumShown) return;
  m_lastNumShown = key;
  m_host.setRowCell(m_job, "Num",
                    std::to_string(m_job.activeRoles) + "/" + std::to_string(m_job.splitCount));
}

void JobController::refreshRow() {
  showNum();
}

}  // namespace fw

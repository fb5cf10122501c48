#include "jobs/queue_monitor.h"

#include <algorithm>
#include <cstdio>

#include "jobs/job_progress.h"

namespace fw {

namespace {

template <typename List>
bool contains(const List& list, const JobRecord* job) {
  return std::find(list.begin(), list.end(), job) != list.end();
}

template <typename List>
void erase(List& list, const JobRecord* job) {
  list.erase(std::remove(list.begin(), list.end(), job), list.end());
}

std::string formatSpeed(int64_t bytesPerSecond) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.2fKB/s", static_cast<double>(bytesPerSecond) / 1024.0);
  return buf;
}

}  // namespace

QueueMonitor::QueueMonitor(JobRunner& runner, MonitorHost& host, ProgramTransfer& transfer,
                           Clock& clock, MonitorSettings settings)
    : m_runner(runner),
      m_host(host),
      m_transfer(transfer),
      m_clock(clock),
      m_settings(std::move(settings)) {}

bool QueueMonitor::isRunning(const JobRecord* job) const {
  return contains(m_running, job);
}

int QueueMonitor::start(JobRecord& job) {
  if (job.activeRoles > 0) return 1;
  if (!(job.flags2 & jobflags2::kDownloadAgain) && jobComplete(job)) return 1;
  if (m_running.size() < m_settings.simuRole) {
    int r = m_runner.startRun(job);
    if (r < 1) return r;
    if (!isRunning(&job)) m_running.push_back(&job);
    return 1;
  }
  if (!(job.flags2 & jobflags2::kQueued) || !contains(m_waitQueue, &job)) {
    if (!contains(m_waitQueue, &job)) m_waitQueue.push_back(&job);
    job.flags2 |= jobflags2::kQueued;
    m_host.showQueued(job);
  }
  return 1;
}

void QueueMonitor::stop(JobRecord& job, int code) {
  if (code == -2) m_userStopped = true;
  erase(m_running, &job);
  erase(m_endedToRelease, &job);
  changeJob(job, [](JobRecord& j) { j.setStartMode(kStartManual); });
  m_runner.endRun(job, code);
}

void QueueMonitor::stopAll(int code) {
  std::deque<JobRecord*> queued;
  queued.swap(m_waitQueue);
  for (JobRecord* job : queued) {
    job->setStartMode(kStartManual);
    job->flags2 &= static_cast<uint16_t>(~jobflags2::kQueued);
    m_host.leftQueue(*job);
  }
  std::vector<JobRecord*> jobs = m_running;
  for (JobRecord* job : jobs) stop(*job, code);
}

void QueueMonitor::addToSchedule(JobRecord& job) {
  if (!contains(m_schedule, &job)) m_schedule.push_back(&job);
}

void QueueMonitor::removeFromQueues(JobRecord& job) {
  erase(m_schedule, &job);
  erase(m_waitQueue, &job);
  erase(m_endedToRelease, &job);
  changeJob(job, [](JobRecord& j) { j.flags2 &= static_cast<uint16_t>(~jobflags2::kQueued); });
}

void QueueMonitor::clearAll() {
  m_running.clear();
  m_waitQueue.clear();
  m_schedule.clear();
  m_endedToRelease.clear();
  m_displayCursor = 0;
}

void QueueMonitor::tick() {
  // 1. The budget all Roles draw from this second.
  int mode = m_transfer.budget.mode();
  if (mode == 1)
    m_transfer.budget.refill(m_settings.manualBand);
  else if (mode == 2)
    m_transfer.budget.refill(m_settings.autoBand);

  // 2. The update check, once.
  ++m_ticks;
  if (m_ticks == kUpdateCheckTick) m_host.startUpdateCheck();

  // 3. Watch a dial-up link the program made.
  if (m_host.dialLinkUp()) {
    if (++m_dialTicks >= kDialWatchPeriod) {
      m_dialTicks = 0;
      m_host.dialWatch();
    }
  } else {
    m_dialTicks = 0;
  }

  // 4. Every 57th tick, so that each minute is seen at least once.
  if (++m_scheduleTicks >= kScheduleTickPeriod) {
    m_scheduleTicks = 0;
    CalendarTime now = m_clock.localTime();
    m_host.databaseChecks(now);
    scheduleCheck(now);
  }

  // 5. and 6.
  if (!m_running.empty())
    measure();
  else if (m_wasBusy)
    allDone();

  // 7. and 8.
  retire();
  updateTitle();
}

void QueueMonitor::scheduleCheck(const CalendarTime& now) {
  int day = now.weekday == 0 ? 7 : now.weekday;  // Monday 1 ... Sunday 7
  if (!(m_settings.days & (1u << (day - 1)))) return;
  auto matches = [&](uint32_t hhmm) {
    return now.hour == static_cast<int>((hhmm >> 8) & 0xFF) &&
           now.minute == static_cast<int>(hhmm & 0xFF);
  };
  if (matches(m_settings.startTime)) {
    std::vector<JobRecord*> jobs;
    jobs.swap(m_schedule);
    for (JobRecord* job : jobs) {
      // It may be running already, started by hand.
      changeJob(*job, [](JobRecord& j) { j.setStartMode(kStartManual); });
      start(*job);
    }
  } else if (matches(m_settings.stopTime)) {
    for (JobRecord* job : m_waitQueue) job->flags2 &= static_cast<uint16_t>(~jobflags2::kQueued);
    m_waitQueue.clear();
    std::vector<JobRecord*> jobs = m_running;
    for (JobRecord* job : jobs) stop(*job, -2);
  }
}

void QueueMonitor::measure() {
  if (!m_wasBusy) {
    m_wasBusy = true;
    if (m_settings.runningViewOption && !m_runningViewShown) {
      m_runningViewShown = true;
      m_host.enterRunningView();
    }
  }
  int64_t now = m_clock.monotonicMs();
  {
    LockGuard g(m_transfer.speedLock);
    m_overallSpeed = m_transfer.speedRing.sumSince(now, 2000) * 1000 / 2000;
  }
  if (m_displayCursor >= m_running.size()) m_displayCursor = 0;
  JobRecord* shown = m_running[m_displayCursor];
  const JobProgress p = readProgress(*shown);
  int percent = p.fileSize > 0 ? p.percent() : -1;
  m_host.showRunningPercent(*shown, percent);
  ++m_displayCursor;
  if (m_running.size() > 1) m_displayFlag = !m_displayFlag;

  int scale = m_settings.graphScale > 0 ? m_settings.graphScale : 1;
  int64_t graph = m_overallSpeed / (static_cast<int64_t>(scale) * 1024);
  if (m_overallSpeed > 0 && graph < 4) graph = 4;
  if (graph > 255) graph = 255;
  m_host.speedGraph(static_cast<int>(graph));
  m_host.showOverallSpeed(formatSpeed(m_overallSpeed));
}

void QueueMonitor::allDone() {
  if (m_runningViewShown) {
    m_runningViewShown = false;
    m_host.leaveRunningView();
  }
  m_wasBusy = false;
  if (!m_userStopped) {
    if (m_settings.sflag & 0x04) m_host.notice("All Done");
    if ((m_settings.sflag & 0x08) && !m_settings.allDoneSound.empty())
      m_host.playSound(m_settings.allDoneSound);
  }
  m_host.showOverallSpeed("");
  m_overallSpeed = 0;

  if (m_settings.hangUpWhenDone && m_host.dialLinkUp()) m_host.hangUp();
  if (m_settings.shutDownWhenDone && !m_userStopped)
    m_host.endOfWorkCountdown(30, "Fetchwright will ShutDown in %d seconds", true);
  else if (m_settings.closeWhenDone)
    m_host.endOfWorkCountdown(16, "Fetchwright will close in %d seconds", false);
}

void QueueMonitor::runEnded(JobRecord& job) {
  if (m_settings.pacing) return;
  auto it = std::find(m_running.begin(), m_running.end(), &job);
  if (it == m_running.end() || m_runner.hasRoles(job)) return;
  const auto i = static_cast<size_t>(it - m_running.begin());
  m_running.erase(it);
  if (m_displayCursor > i) --m_displayCursor;
  if (jobComplete(job) && !contains(m_endedToRelease, &job)) m_endedToRelease.push_back(&job);
  startNextQueued();
}

void QueueMonitor::releaseEnded() {
  std::vector<JobRecord*> ended;
  ended.swap(m_endedToRelease);
  for (JobRecord* job : ended) {
    // Started again since: its controller runs it.
    if (isRunning(job) || m_runner.hasRoles(*job) || !jobComplete(*job)) continue;
    m_runner.releaseController(*job);
  }
}

void QueueMonitor::startNextQueued() {
  // One queued job for each retired one.
  if (m_waitQueue.empty() || m_running.size() >= m_settings.simuRole) return;
  JobRecord* next = m_waitQueue.front();
  m_waitQueue.pop_front();
  next->flags2 &= static_cast<uint16_t>(~jobflags2::kQueued);
  start(*next);
}

void QueueMonitor::retire() {
  releaseEnded();
  for (size_t i = 0; i < m_running.size();) {
    JobRecord* job = m_running[i];
    if (m_runner.hasRoles(*job)) {
      ++i;
      continue;
    }
    m_running.erase(m_running.begin() + static_cast<std::ptrdiff_t>(i));
    if (jobComplete(*job)) m_runner.releaseController(*job);
    if (m_displayCursor > i) --m_displayCursor;
    // A job started here joins the end of the running list; the walk reaches it and
    // leaves it alone because it has Roles.
    startNextQueued();
  }
}

void QueueMonitor::orderWaitQueue(const std::function<int64_t(const JobRecord&)>& rank) {
  std::stable_sort(m_waitQueue.begin(), m_waitQueue.end(),
                   [&](const JobRecord* a, const JobRecord* b) { return rank(*a) < rank(*b); });
}

void QueueMonitor::updateTitle() {
  int count = static_cast<int>(m_running.size());
  if (count == m_lastCount) return;
  m_lastCount = count;
  if (count == 0) {
    m_host.setTitle("Fetchwright");
  } else {
    char buf[64];
    std::snprintf(buf, sizeof buf, "Fetchwright: %d file(s) downloading", count);
    m_host.setTitle(buf);
  }
}

}  // namespace fw

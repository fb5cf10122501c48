// The once-a-second tick and the end of a run.

#include <cctype>
#include <cstdio>
#include <filesystem>

#include "engine/storage/cache_writer.h"
#include "engine/storage/target_file.h"
#include "engine/url/ftp_directory_url.h"
#include "jobs/after_download.h"
#include "jobs/job_controller.h"
#include "jobs/range_assign.h"

namespace fw {

void JobController::reap() {
  if (!m_reapPending) return;
  m_reapPending = false;
  std::vector<RoleSlot> dead;
  for (auto it = m_roles.begin(); it != m_roles.end();) {
    if (it->rec->done) {
      dead.push_back(std::move(*it));
      it = m_roles.erase(it);
    } else {
      ++it;
    }
  }
  for (RoleSlot& s : dead) {
    finishSlot(s, kStopUser);
    m_endReason = s.rec->outcome;
  }
}

void JobController::endIfLastRoleGone() {
  reap();
  if (m_running && m_job.activeRoles == 0 && m_roles.empty()) end();
}

void JobController::tick() {
  reap();
  if (m_shared.ctlFlags & ctlflags::kFlowing) m_job.elapsedSeconds++;
  {
    LockGuard g(m_storage->speedLock);
    m_speed = m_storage->speedRing.sumSince(m_clock.monotonicMs(), 2000) * 1000 / 2000;
  }
  m_tickCount = (m_tickCount + 1) % 4;
  if (m_ending.onDownloadView) {
    const JobProgress p = progress();
    m_host.setRowCell(m_job, "Complete", sizeText(p.downloaded, m_ending.sizeInBytes));
    m_host.setRowCell(
        m_job, "Percent",
        p.fileSize == 0 ? std::string("100%") : percentText(p.downloaded, p.fileSize));
    m_host.setRowCell(m_job, "Elapsed Time", elapsedText(m_job.elapsedSeconds));
    if (m_tickCount == 0) {
      if (p.sizeKnown() && m_speed != 0) {
        int64_t left = (p.fileSize - p.downloaded) / m_speed;
        m_host.setRowCell(m_job, "Left", elapsedText(static_cast<uint32_t>(left < 0 ? 0 : left)));
      }
      char speed[32];
      std::snprintf(speed, sizeof speed, "%.2fK", static_cast<double>(m_speed) / 1024.0);
      m_host.setRowCell(m_job, "Speed", speed);
    }
    showNum();
  }
  if (m_namesChanged.exchange(false)) {
    std::string name;
    {
      LockGuard g(m_storage->recordLock);
      name = m_job.fileName;
    }
    m_host.setRowCell(m_job, "Name", name);
  }
  if (m_shownEvent.isSet() && !m_quiet) m_host.detailRefresh(m_job);
  if (m_running && m_job.activeRoles == 0 && m_roles.empty()) end();
}

bool JobController::runComplete() const {
  if (m_job.flags2 & jobflags2::kDownloadAgain) return false;
  if (m_job.sizeKnown()) {
    // A split job is whole only when no range is left open, whatever the counter says.
    return m_job.downloaded >= m_job.fileSize && !anyUnfinished(m_job.parts);
  }
  return (m_job.flags & jobflags::kComplete) != 0;
}

void JobController::end() {
  loop().killTimer(this, kControllerTimerId);
  {
    // The Roles are still running: they read flags.
    LockGuard g(m_storage->recordLock);
    m_job.setStartMode(kStartManual);
  }
  std::vector<RoleSlot> slots = std::move(m_roles);
  m_roles.clear();
  for (RoleSlot& s : slots) {
    if (!s.rec->done) s.rec->outcome = kStopUser;
    s.rec->stopEvent.set();
  }
  for (RoleSlot& s : slots) {
    finishSlot(s, kStopUser);
    m_endReason = s.rec->outcome;
  }
  slots.clear();
  m_job.activeRoles = 0;
  m_running = false;
  // Two Roles ending together may each have seen the other still running, so neither
  // did the last Role's duties: the run's last word on disk is said here in any case.
  flushCache(*m_storage, nullptr);
  bool complete = runComplete();
  if (complete) {
    m_job.flags |= jobflags::kComplete;
    m_job.parts.clear();
  }
  closeTarget(*m_storage, nullptr);
  m_shownEvent.reset();

  if (complete) {
    if (!m_job.completeTime.isSet()) m_job.completeTime = DateStamp::from(m_clock.localTime());
    if (m_ending.onDownloadView) {
      if (m_job.category == kCategoryDownload) {
        m_host.setRowImage(m_job, RowImage::Completed);
      } else {
        m_host.removeDownloadRow(m_job);
      }
    }
    if (m_job.flags & jobflags::kTempExt) renameToFinal(*m_storage);
    m_job.roleLogs.clear();
    if (m_ending.successNotice) m_host.notice(m_job.fileName + " success");
    if (m_ending.soundsOn && !m_ending.successSound.empty())
      m_host.playSound(m_ending.successSound);
    if (!(m_job.flags2 & jobflags2::kDownloadAgain)) {
      // A directory job leaves no file of its own to hand to the program.
      if (m_ending.runProgram && !m_ending.program.empty() && !isFtpDirectoryUrl(m_job.url) &&
          extensionListed(m_job.fileName, m_ending.programTypes)) {
        m_host.runProgram(afterDownloadArgv(m_ending.program, m_ending.programArgs,
                                            m_job.saveDir + "/" + m_job.fileName));
      }
      if (!m_ending.keepFinishedOut) m_host.moveToCategoryHead(m_job);
    }
  } else {
    if (m_endReason != kStopUser && m_endReason != 2) {
      m_job.flags |= jobflags::kFailed;
      if (m_ending.failureNotice) m_host.notice(m_job.fileName + " Download failure");
      if (m_ending.soundsOn && !m_ending.failSound.empty()) m_host.playSound(m_ending.failSound);
    }
    if (m_ending.onDownloadView) {
      m_host.setRowImage(m_job,
                         (m_job.flags & jobflags::kFailed) ? RowImage::Failed : RowImage::Stopped);
      m_host.setRowCell(m_job, "Num",
                        std::to_string(m_job.activeRoles) + "/" + std::to_string(m_job.splitCount));
    }
  }
  int reason = m_endReason;
  m_endReason = 0;
  m_lastEndReason = reason;
  m_host.jobEnded(m_job, complete);
}

}  // namespace fw

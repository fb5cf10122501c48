#pragma once
// The queue monitor: one tick a second decides which jobs run. It limits the number of
// running jobs, starts queued jobs as slots free up, starts and stops scheduled jobs,
// refills the bandwidth budget every Role draws from, measures the overall speed, keeps
// the title text, and runs the all-done actions when the last job has ended.
//
// Threads: main thread only (the ProgramTransfer it refills is shared with Role threads
// under its own locks). It reads and changes running jobs through jobs/job_progress.h.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/storage/bandwidth_budget.h"
#include "jobs/queue_hooks.h"
#include "platform/clock.h"
#include "records/job_record.h"

namespace fw {

// How jobs' runs are started and ended: the program creates JobControllers, tests
// script it. Main thread only.
class JobRunner {
 public:
  virtual ~JobRunner() = default;
  // Creates the job's controller when it has none (0 when that fails), prepares the run
  // (-1 when that fails) and sends it CtlStart. 1 when the run started.
  virtual int startRun(JobRecord& job) = 0;
  // Ends the run at once, every Role given `code`.
  virtual void endRun(JobRecord& job, int code) = 0;
  // True while the job's controller still has Roles (a job without a controller counts
  // as having them, so it is never retired half-made: the monitor asks only this).
  virtual bool hasRoles(JobRecord& job) = 0;
  // Destroys the job's controller and clears `job.controller`.
  virtual void releaseController(JobRecord& job) = 0;
};

// What the monitor shows or does outside itself: the window, notices, sounds, the
// dial-up link, the end-of-work actions, and the database ticks. The GUI implements all
// of it; the command-line program implements what fits a terminal and never powers the
// machine off. Main thread only.
class MonitorHost {
 public:
  virtual ~MonitorHost() = default;
  virtual void setTitle(const std::string& title) = 0;
  virtual void showQueued(JobRecord& job) = 0;
  // The job left the start queue without starting (its row is redrawn).
  virtual void leftQueue(JobRecord& /*job*/) {}
  virtual void enterRunningView() {}
  virtual void leaveRunningView() {}
  // Percent of one running job (-1 when its size is not known or 0), round robin.
  virtual void showRunningPercent(JobRecord& /*job*/, int /*percent*/) {}
  // "%.2fKB/s" of the overall speed; an empty text clears it.
  virtual void showOverallSpeed(const std::string& /*text*/) {}
  virtual void speedGraph(int /*value*/) {}
  virtual void notice(const std::string& text) = 0;
  virtual void playSound(const std::string& /*path*/) {}
  // The 60th tick: the update check, once per run of the program.
  virtual void startUpdateCheck() {}
  // Every 6th tick while the program's own dial-up link is up.
  virtual bool dialLinkUp() { return false; }
  virtual void dialWatch() {}
  virtual void hangUp() {}
  // The daily backup and auto-save checks of the job database, every 57th tick.
  virtual void databaseChecks(const CalendarTime& /*now*/) {}
  // All done with "Shut Down when done" (shutdown = true) or close-when-done: the
  // countdown of `seconds` with `format` ("... in %d seconds"); the host decides.
  virtual void endOfWorkCountdown(int /*seconds*/, const std::string& /*format*/,
                                  bool /*shutdown*/) {}
};

struct MonitorSettings {
  uint32_t simuRole = 4;           // "SimuRole"
  uint32_t manualBand = 26000;     // "ManaulBand"
  uint32_t autoBand = 16000;       // "AutoBand"
  uint32_t startTime = 256;        // "SStartTime": hour << 8 | minute
  uint32_t stopTime = 1280;        // "SStopTime"
  uint32_t days = 127;             // "FlagOne": bit 0 Monday ... bit 6 Sunday
  uint32_t sflag = 2;              // bit 2 "All Done" notice, bit 3 sounds on
  std::string allDoneSound;        // "AllDown"
  bool runningViewOption = false;  // display option bit 0x02
  bool hangUpWhenDone = false;     // DialUp "Flags" bit 0
  bool shutDownWhenDone = false;   // "Monitor" bit 0x80
  bool closeWhenDone = false;      // "OtherFlag" byte 1 bit 7
  int graphScale = 7;              // "Scale"
  // Pacing on (the desktop program, "Pacing" 1): a queued job waits for the tick that
  // retires the job before it. Off (fetchwright-cli's default): it starts as soon as
  // that job's run ends (runEnded).
  bool pacing = true;
};

inline constexpr int kMonitorTimerId = 1;
inline constexpr int kScheduleTickPeriod = 57;
inline constexpr int kUpdateCheckTick = 60;
inline constexpr int kDialWatchPeriod = 6;

class QueueMonitor final : public QueueHooks {
 public:
  QueueMonitor(JobRunner& runner, MonitorHost& host, ProgramTransfer& transfer, Clock& clock,
               MonitorSettings settings);

  void setSettings(const MonitorSettings& s) { m_settings = s; }
  const MonitorSettings& settings() const { return m_settings; }

  // StartJob: 1 running, started or queued (or complete: not started); 0 when the
  // controller could not be made; -1 when the run could not be prepared.
  int start(JobRecord& job);
  // StopJob: the user's stop (code -2) or another code for every Role.
  void stop(JobRecord& job, int code);

  // Every job leaves the start queue (start mode Manual, queue bit cleared) and every
  // running job is stopped with `code`: the dial-up manager's Connect/Disconnect (-2) and
  // a dial that ended without a line (-2, or -14 when it failed).
  void stopAll(int code);

  // QueueHooks.
  void startJob(JobRecord& job) override { start(job); }
  void addToSchedule(JobRecord& job) override;
  void removeFromQueues(JobRecord& job) override;
  void stopJob(JobRecord& job) override { stop(job, -2); }
  void clearAll() override;

  // One pass of timer 1.
  void tick();

  // The run of `job` has ended: the host calls it from ControllerHost::jobEnded, that is
  // from inside the ending controller. With pacing on it does nothing (the next tick
  // retires the job). With pacing off a job on the running list whose controller has no
  // Roles left is retired now and the first queued job started in its slot, in this
  // same turn of the message loop; the ended job's controller, still on the call stack,
  // is released at the next tick when it is complete and has not been started again.
  void runEnded(JobRecord& job);

  // 0 Unlimited, 1 Manual, 2 Automatic.
  void setBandwidthMode(int mode) { m_transfer.budget.setMode(mode); }
  int bandwidthMode() const { return m_transfer.budget.mode(); }
  // Steps 0 -> 1 -> 2 -> 0 (the toolbar button).
  void stepBandwidthMode() { setBandwidthMode((bandwidthMode() + 1) % 3); }

  // Reorders the wait queue by `rank`, lowest first (equal ranks keep their order), so
  // that queued jobs start in the order the user arranged them.
  void orderWaitQueue(const std::function<int64_t(const JobRecord&)>& rank);

  const std::vector<JobRecord*>& running() const { return m_running; }
  const std::deque<JobRecord*>& waitQueue() const { return m_waitQueue; }
  const std::vector<JobRecord*>& scheduleList() const { return m_schedule; }
  int64_t overallSpeed() const { return m_overallSpeed; }
  bool userStopped() const { return m_userStopped; }
  // A job ended by itself: clears the user-stop mark (the controller's Ending calls it).
  void jobEndedByItself() { m_userStopped = false; }

 private:
  bool isRunning(const JobRecord* job) const;
  void scheduleCheck(const CalendarTime& now);
  void measure();
  void allDone();
  void retire();
  // After a retirement: the first queued job takes the slot when one is free.
  void startNextQueued();
  void releaseEnded();
  void updateTitle();

  JobRunner& m_runner;
  MonitorHost& m_host;
  ProgramTransfer& m_transfer;
  Clock& m_clock;
  MonitorSettings m_settings;
  std::vector<JobRecord*> m_running;  // start order
  std::deque<JobRecord*> m_waitQueue;
  std::vector<JobRecord*> m_schedule;
  std::vector<JobRecord*> m_endedToRelease;  // retired by runEnded, controllers kept
  size_t m_displayCursor = 0;
  bool m_displayFlag = false;
  int64_t m_overallSpeed = 0;
  bool m_userStopped = false;
  bool m_wasBusy = false;
  bool m_runningViewShown = false;
  int m_lastCount = 0;
  int m_ticks = 0;
  int m_scheduleTicks = 0;
  int m_dialTicks = 0;
};

}  // namespace fw

#pragma once
// The controller of one running job: a hidden window of the message loop that creates
// and ends the job's Roles, hands each a byte range, grows and shrinks their number,
// measures the job's speed once a second (timer 21) and ends the run when its last Role
// has ended. Roles reach it only through the control message (0x0BE0) and the log
// message (0x0BDC), sent synchronously from their threads, so every change to a running
// job happens on the main thread, one at a time.
//
// Threads: construct, destroy and call every public member on the main thread. The
// RoleChannel it hands its Roles is used from the Role threads.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/base/control_codes.h"
#include "engine/base/role_record.h"
#include "engine/base/text_buffer.h"
#include "engine/role/role_job.h"
#include "engine/storage/job_storage.h"
#include "jobs/controller_host.h"
#include "jobs/job_progress.h"
#include "platform/message_loop.h"
#include "records/job_record.h"

namespace fw {

// Command codes the Roles do not send (the main window and the queue monitor do).
enum ControllerCommand : uint32_t {
  CtlStart = 1,
  CtlStopRole = 2,
  CtlHide = 3,
  CtlSetQuiet = 4,
  CtlSetRoleCount = 7,
  CtlRoleAlive = 18,
  CtlStopAll = 20,  // arg: a stop code below 0, or 0 for the user's stop (-2)
  CtlShow = 23,
  CtlStopTimer = 39,
  CtlChangeSplit = 113,
  CtlRoleCount = 116,
  CtlStopOthers = 118,
  CtlForwardToMain = 386,
  CtlSetStatusText = 513,
  CtlAppendUrlName = 262,
  CtlOpenFile = 278,
  CtlCreateFile = 280,
  CtlSetFileName = 295,
  CtlCanStartRole = 3632,
  CtlFastestOther = 3841,
  CtlGetLogin = 3843,
  CtlGetCredentials = 3858,
};

// Stop codes a controller writes into a Role's outcome before waking it.
inline constexpr int kStopUser = -2;
inline constexpr int kStopReplaced = -3;
inline constexpr int kLookupDone = 16;
inline constexpr int kLookupFailed = 17;

inline constexpr int kControllerTimerId = 21;
// Posted to itself when the last Role has declared itself done.
inline constexpr MessageId kMsgLastRoleDone = 0x0BE5;
inline constexpr int kMaxRolesPerJob = 128;

// Argument of CtlGetLogin: url, referer, userName, password.
struct LoginRecord {
  std::string url, referer, userName, password;
};

// A line for message 0x0BDC: text and kind.
struct LogLineRecord {
  std::string text;
  int kind = 0;
};

// Runs a Role from its first step to its end, on the Role's own thread.
using RoleEntry = std::function<void(RoleRecord&)>;

class JobController final : public Window {
 public:
  JobController(MessageLoop& loop, JobRecord& job, ControllerHost& host, Clock& clock,
                RoleEntry entry);
  ~JobController() override;

  // Preparing a run (done before CtlStart while no Role runs): resets the run's state
  // and copies the settings. 1 ready, -1 when the job is running.
  int prepareRun(const RoleSettings& roleSettings, const EndingOptions& ending,
                 const StorageOptions& storage = StorageOptions{}, DialLine* dial = nullptr);

  // The program-wide bandwidth budget and speed ring the Roles share with every other
  // job, and the cookie jar's look-up; without them the controller keeps its own
  // unlimited budget and sends no browser cookies. Set before prepareRun.
  void setProgramTransfer(ProgramTransfer* program) { m_program = program; }
  void setCookieLookup(CookieLookup lookup) { m_cookies = std::move(lookup); }

  LResult handleMessage(MessageId msg, WParam w, LParam l) override;
  // One control command, as message 0x0BE0 would run it.
  intptr_t command(uint32_t code, intptr_t arg);
  // The once-a-second work of timer 21.
  void tick();

  // The job's fields its Roles write, read under the record and progress locks.
  JobProgress progress() const;
  bool running() const { return m_running; }
  JobRecord& job() { return m_job; }
  RoleJob& shared() { return m_shared; }
  JobStorage& storage() { return *m_storage; }
  int64_t speed() const { return m_speed; }
  // Stop code of the last Role that ended, as the last run's Ending saw it.
  int lastEndReason() const { return m_lastEndReason; }
  uint16_t retryCount() const { return static_cast<uint16_t>(m_shared.retryCount.load()); }
  bool quiet() const { return m_quiet; }
  bool shown() const { return m_shownEvent.isSet(); }
  const std::string& statusText() const { return m_statusText; }
  // Live Roles in ascending number.
  std::vector<RoleRecord*> roles() const;
  RoleRecord* findRole(int roleNo) const;
  RoleChannel& channel() { return m_channel; }

 private:
  struct RoleSlot {
    std::unique_ptr<RoleRecord> rec;
    std::unique_ptr<std::thread> thread;
    std::shared_ptr<Event> finished;  // set by the thread as its very last act
  };

  class Channel final : public RoleChannel {
   public:
    explicit Channel(JobController& c) : m_c(c) {}
    intptr_t control(RoleRecord& role, uint32_t code, intptr_t arg) override;
    void log(RoleRecord& role, int kind, const std::string& text) override;

   private:
    JobController& m_c;
  };

  int start();
  // Creates Role `roleNo`, using log list `log`, inserts it in number order and starts
  // its thread. False when the thread cannot be created.
  bool launchRole(int roleNo, RoleLog* log);
  intptr_t grow(int count);
  intptr_t addOne();
  intptr_t removeOne();
  intptr_t restartRole(int roleNo);
  void stopRole(int roleNo, int code);
  void stopAll(int code);
  // Waits for a Role's thread in 49 ms steps, re-signalling it and answering its
  // requests between steps, then frees it.
  void finishSlot(RoleSlot& slot, int code);
  intptr_t assignRange(RoleRecord& r);
  intptr_t canStartRole();
  void nextAltUrl(TextBuffer& buf);
  void appendLog(RoleRecord& role, const LogLineRecord& line);
  void end();
  // Frees the Roles that declared themselves done.
  void reap();
  void endIfLastRoleGone();
  bool runComplete() const;
  void runAfterDownloadProgram();
  void offerFileName(const std::string& name);
  void setFileName(const std::string& name);
  int roleLogCount() const { return static_cast<int>(m_job.roleLogs.size()); }
  void showNum();
  void refreshRow();
  // Links the live Roles by `next`, in number order.
  void relink();
  void hostLookupAnswer(WParam handle, LParam result);

  JobRecord& m_job;
  ControllerHost& m_host;
  Clock& m_clock;
  RoleEntry m_entry;
  std::unique_ptr<JobStorage> m_storage;
  Channel m_channel{*this};
  RoleJob m_shared;
  EndingOptions m_ending;
  ProgramTransfer m_ownProgram;
  ProgramTransfer* m_program = nullptr;
  CookieLookup m_cookies;
  std::vector<RoleSlot> m_roles;  // ascending roleNo
  Event m_shownEvent{Event::Reset::Manual};
  bool m_running = false;
  bool m_quiet = false;
  bool m_reapPending = false;
  int64_t m_speed = 0;
  int m_tickCount = 0;
  int m_endReason = 0;
  int m_lastEndReason = 0;
  int m_lastNumShown = -1;
  std::atomic<bool> m_namesChanged{false};
  bool m_altUrlGiven = false;
  std::string m_currentAltUrl;
  std::string m_statusText;
};

}  // namespace fw

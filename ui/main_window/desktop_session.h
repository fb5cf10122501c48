#pragma once
// The running desktop program without its widgets: the settings and the registry store,
// the open job database (owned through its lock, store/database_owner.h) and its category
// tree, the message loop the window drives, the job controllers and the queue monitor
// with its one-second timer, the automatic save, the end-of-work services, and the control
// socket with its request dispatch. It answers the job controllers (ControllerHost) and,
// through a ServiceMonitorHost, the queue monitor, and passes what is to be shown to a
// SessionView.
//
// Main thread only.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/storage/bandwidth_budget.h"
#include "jobs/controller_runner.h"
#include "jobs/queue_monitor.h"
#include "jobs/service_monitor_host.h"
#include "platform/clock.h"
#include "platform/control_dispatch.h"
#include "platform/control_socket.h"
#include "platform/cookie_jar.h"
#include "platform/dbus_connection.h"
#include "platform/dialup/dialup.h"
#include "platform/message_loop.h"
#include "platform/registry.h"
#include "store/category_commands.h"
#include "store/database_owner.h"
#include "store/database_session.h"
#include "store/job_operations.h"
#include "store/job_order.h"
#include "store/running_save.h"
#include "store/settings_records.h"
#include "ui/main_window/session_view.h"

namespace fw {

class MessageBoxes;

inline constexpr const char* kProgramName = "fetchwright";

class DesktopSession final : public ControllerHost {
 public:
  struct Options {
    std::string registryPath;  // empty: Registry::defaultPath()
    RoleEntry roleEntry;       // runs one Role on its thread
    Clock* clock = nullptr;    // the real clock when null
  };

  explicit DesktopSession(Options options);
  ~DesktopSession() override;
  DesktopSession(const DesktopSession&) = delete;
  DesktopSession& operator=(const DesktopSession&) = delete;

  void setView(SessionView* view) { m_view = view ? view : &m_noView; }
  void setBoxes(MessageBoxes* boxes) { m_boxes = boxes; }

  // Start-up, first part: the settings from the registry store.
  void loadSettings();
  // Start-up, second part: the job database. `argument` is the command line's file, taken
  // when it names an existing file ending in ".npd" (any case); otherwise the last one
  // ("Remotefile") with the fall-backs of store/database_session.h. The database is owned
  // before it is read. False when no database could be had or another process owns it
  // (the reason, naming the owner, in `error`).
  bool openStartupDatabase(const std::string& argument, BackupChooser* chooser, std::string* error);
  // Serves kControlAddUrls: URLs handed in by fetchwright-cli become jobs started as
  // Immediately. Registered by the program (main) once the window exists.
  ControlReply handInRequest(const ControlRequest& request);
  // Timer 1 (the queue monitor) and, when "Start downloading on startup" is set, every
  // queued job.
  void startRunning();
  // Serves the control socket at `path`.
  ControlServer::Listen listenControl(const std::string& path, std::string* error);

  // Shut-down: every running job stopped and the waiting lists emptied, then the
  // settings written, and the job database saved to its path unless `saveDatabase` is
  // false or it has none. Safe to call twice.
  void shutdown(bool saveDatabase);

  // The open database.
  const std::string& databasePath() const { return m_dbPath; }
  bool untitled() const { return m_dbPath.empty(); }
  const std::string& startupTitle() const { return m_title; }
  // Saves to the open database's path (1), 0 when it failed or it has none.
  int saveDatabase();
  // Saves to `path`, which becomes the open database's path (and owned: refused when
  // another process owns it). 1 saved, 0 failed with `error` set.
  int saveDatabaseAs(const std::string& path, std::string* error);
  // Replaces the open database by `path`'s (running jobs are stopped first; the current
  // one is saved when it has a path). False with `error` set when it cannot be read or
  // another process owns it.
  bool openDatabase(const std::string& path, std::string* error);
  // Replaces the open database by an empty, untitled one with the default categories.
  void newDatabase();
  // The settings and the job database as at exit (the end-of-work countdown's OK).
  void saveAll();

  // Job commands.
  void startJobs(const std::vector<JobRecord*>& jobs);
  void pauseJobs(const std::vector<JobRecord*>& jobs);
  void startAll();
  void pauseAll();
  void scheduleJobs(const std::vector<JobRecord*>& jobs);
  void moveJobs(CategoryRecord& cat, const std::vector<JobRecord*>& jobs, JobMove how);
  // 1 changed, 0 refused (CtlChangeSplit).
  int changeSplit(JobRecord& job, bool more);
  // Jobs of the queue that Start All would start.
  int startableCount() const;
  // Frees `job` for good: its run ended, its controller released, its record unlinked.
  void destroyJob(JobRecord& job);

  void setBandwidthMode(int mode);
  int bandwidthMode() const;
  // Flips a bit of the "Monitor" flags and stores it at once.
  void toggleMonitorBit(uint32_t bit);
  // The settings were changed by a dialog: runs start with them from now on.
  void settingsChanged();
  // Called after every settingsChanged() (the clipboard monitor follows "Monitor") until
  // removed with the number returned.
  size_t addSettingsListener(std::function<void()> listener) {
    m_settingsListeners.push_back(std::move(listener));
    return m_settingsListeners.size() - 1;
  }
  void removeSettingsListener(size_t id) {
    if (id < m_settingsListeners.size()) m_settingsListeners[id] = nullptr;
  }
  // Writes one settings group now (the window's layout values at shut-down, MRU lists).
  Registry& registry() { return m_registry; }

  JobContext jobContext();
  CategoryUi categoryUi();

  Settings& settings() { return m_settings; }
  CategoryTree& tree() { return m_tree; }
  MessageLoop& loop() { return m_loop; }
  QueueMonitor& monitor() { return *m_monitor; }
  ControllerRunner& runner() { return *m_runner; }
  ControlDispatch& control() { return m_dispatch; }
  QueueHooks& queueHooks();
  Clock& clock() { return m_clock; }
  bool closing() const { return m_closing; }
  void setClosing() { m_closing = true; }

  // The services of the end of work and of the monitor's ticks (sounds, dial-up, update
  // check, power-off). Each may be left empty; set before startRunning().
  MonitorServices& services();
  // Opens the system bus and powers off through logind; without a bus the power-off is
  // refused with its reason.
  void usePowerControl();
  // Dial-up: the backend platform/dialup/dialup_backend.h picks (the simulator when
  // FETCHWRIGHT_DIALUP_SCRIPT names a script, else NetworkManager on the system bus) and
  // the manager the Roles wait on. False with `error` set when the named script cannot be
  // read: the program then runs without dial-up. `backend` replaces the choice (tests).
  bool useDialup(std::string* error, std::unique_ptr<Dialup> backend = nullptr);
  // The update check with the General settings' host; the automatic one at the 60th tick.
  void useUpdateCheck();
  DialManager* dial() const { return m_dial.get(); }
  UpdateChecker* updates() const { return m_updates.get(); }
  // "Hang up when done": flips bit 0 of the dial-up "Flags" and stores it at once.
  void toggleHangUpWhenDone();

  // ControllerHost.
  void setRowImage(JobRecord& job, RowImage image) override;
  void setRowCell(JobRecord& job, const std::string& column, const std::string& text) override;
  void redrawRow(JobRecord& job, int row) override;
  void removeDownloadRow(JobRecord& job) override;
  void moveToCategoryHead(JobRecord& job) override;
  bool isShownJob(const JobRecord& job) override;
  void roleTreeCleared(JobRecord& job) override;
  void roleNodeAdded(JobRecord& job, int roleNo) override;
  void roleNodeRemoved(JobRecord& job, int roleNo) override;
  void detailRefresh(JobRecord& job) override;
  void logLineAdded(JobRecord& job, int roleNo, const std::string& line) override;
  void notice(const std::string& text) override;
  void playSound(const std::string& path) override;
  bool proxyByIndex(int index, ProxyRecord& out) override;
  bool proxyByTitle(const std::string& title, ProxyRecord& out) override;
  void requestDial() override;
  void forwardToMain(intptr_t arg) override;
  void runProgram(const std::vector<std::string>& argv) override;
  DirectoryAddCount directoryListed(JobRecord& dirJob,
                                    const std::vector<DirectoryFile>& files) override;
  void jobEnded(JobRecord& job, bool complete) override;

  // The monitor's side (a ServiceMonitorHost).
  MonitorHost& monitorHost();

 private:
  class TickWindow;
  class Hooks;
  class MonitorSide;
  class Services;

  // Closes an open Dialing window (its view goes with it) before the program ends.
  void closeDialingWindow();

  // Takes the lock of `path` for this program. False with `error` naming the owner.
  bool own(const std::string& path, std::unique_ptr<DatabaseOwner>& owner, std::string* error);

  void tick();
  int saveTo(const std::string& path);
  void stopEverything();
  void replaceTree(CategoryTree&& fresh, const std::string& path);
  void retireFinishedOut();

  Options m_options;
  Clock& m_clock;
  Registry m_registry;
  Settings m_settings;
  MessageLoop m_loop;
  ProgramTransfer m_transfer;
  CategoryTree m_tree;
  std::string m_dbPath;
  std::string m_title;
  SessionView m_noView;
  SessionView* m_view = &m_noView;
  MessageBoxes* m_boxes = nullptr;
  std::unique_ptr<Services> m_services;
  std::unique_ptr<MonitorSide> m_monitorSide;
  std::unique_ptr<DbusConnection> m_systemBus;
  std::unique_ptr<PowerControl> m_power;
  std::unique_ptr<Dialup> m_dialup;     // before the manager, which hangs up through it
  std::unique_ptr<DialManager> m_dial;  // before the runner, whose Roles wait on its line
  std::unique_ptr<UpdateChecker> m_updates;
  std::unique_ptr<DatabaseOwner> m_owner;
  std::unique_ptr<CookieJar> m_jar;  // before the runner: its Roles look cookies up
  std::unique_ptr<ControllerRunner> m_runner;
  std::unique_ptr<QueueMonitor> m_monitor;
  std::unique_ptr<Hooks> m_hooks;
  std::unique_ptr<DatabaseAutoSave> m_autoSave;
  std::unique_ptr<TickWindow> m_tickWindow;
  ControlDispatch m_dispatch;
  std::unique_ptr<ControlServer> m_server;
  std::vector<JobRecord*> m_finishedOut;  // complete jobs the display option keeps out
  RunningSave m_runningSave;              // what is written for running jobs
  std::vector<std::function<void()>> m_settingsListeners;
  bool m_closing = false;
  bool m_shutDown = false;
};

// True when `path` names an existing regular file whose name ends in ".npd" (any case).
bool isDatabaseArgument(const std::string& path);

}  // namespace fw

#include "ui/main_window/desktop_session.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "engine/storage/target_file.h"
#include "jobs/after_download.h"
#include "jobs/job_controller.h"
#include "jobs/job_progress.h"
#include "platform/atomic_file.h"
#include "platform/dialup/dialup_backend.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "store/directory_jobs.h"
#include "store/job_database.h"
#include "store/run_config.h"
#include "store/running_save.h"
#include "store/service_config.h"
#include "store/settings_io.h"
#include "store/url_hand_in.h"

namespace fw {

// Timer 1 on the program's message loop: one pass of the queue monitor a second.
class DesktopSession::TickWindow final : public Window {
 public:
  TickWindow(MessageLoop& loop, DesktopSession& session) : Window(loop), m_session(session) {}
  LResult handleMessage(MessageId msg, WParam w, LParam) override {
    if (msg == kMsgTimer && static_cast<int>(w) == kMonitorTimerId) m_session.tick();
    return 0;
  }

 private:
  DesktopSession& m_session;
};

// The queue hooks the category tree and the job operations call: the queue monitor's,
// plus letting a job's controller go once the job leaves the queues and does not run, so
// no controller outlives a record the tree frees.
class DesktopSession::Hooks final : public QueueHooks {
 public:
  explicit Hooks(DesktopSession& s) : m_s(s) {}
  void startJob(JobRecord& job) override { m_s.m_monitor->start(job); }
  void addToSchedule(JobRecord& job) override { m_s.m_monitor->addToSchedule(job); }
  void removeFromQueues(JobRecord& job) override {
    m_s.m_monitor->removeFromQueues(job);
    const auto& running = m_s.m_monitor->running();
    if (job.activeRoles == 0 && std::find(running.begin(), running.end(), &job) == running.end())
      m_s.m_runner->releaseController(job);
  }
  void stopJob(JobRecord& job) override { m_s.m_monitor->stop(job, kStopUser); }
  void clearAll() override { m_s.m_monitor->clearAll(); }

 private:
  DesktopSession& m_s;
};

// What the end of work and the dial-up manager ask of the program and where notices go:
// the window, through the session's view.
class DesktopSession::Services final : public EndOfWorkActions,
                                       public DesktopNotifier,
                                       public DialManagerHost {
 public:
  explicit Services(DesktopSession& s) : m_s(s) {}
  void saveAll() override {
    m_s.m_view->endOfWorkSave();
    m_s.saveAll();
  }
  void powerOffFailed(const std::string& why) override { m_s.m_view->powerOffFailed(why); }
  void closeProgram() override { m_s.m_view->endOfWorkClose(); }
  void notify(const std::string& text) override { m_s.m_view->notice(text); }
  DialingView* openDialingView(DialingWindow& window) override {
    return m_s.m_view->openDialingView(window);
  }
  void stopAllJobs(int code) override {
    if (m_s.m_closing) return;
    std::vector<JobRecord*> queued(m_s.m_monitor->waitQueue().begin(),
                                   m_s.m_monitor->waitQueue().end());
    std::vector<JobRecord*> running = m_s.m_monitor->running();
    m_s.m_monitor->stopAll(code);
    for (JobRecord* job : queued) m_s.m_view->jobChanged(*job);
    for (JobRecord* job : running) m_s.m_view->jobChanged(*job);
  }
  void openDialUpOptions() override { m_s.m_view->openDialUpOptions(); }

 private:
  DesktopSession& m_s;
};

// The queue monitor's host: the shared services (notices, sounds, dial-up, update check,
// countdown) plus what the window shows.
class DesktopSession::MonitorSide final : public ServiceMonitorHost {
 public:
  MonitorSide(DesktopSession& s, MonitorServices services)
      : ServiceMonitorHost(s.m_loop, services), m_s(s) {}
  void setTitle(const std::string& title) override { m_s.m_view->setTitle(title); }
  void showQueued(JobRecord& job) override { m_s.m_view->jobChanged(job); }
  void showOverallSpeed(const std::string& text) override { m_s.m_view->showOverallSpeed(text); }
  void databaseChecks(const CalendarTime& now) override { m_s.m_autoSave->databaseChecks(now); }

 protected:
  EndOfWorkView* openCountdownView(EndOfWorkCountdown& c) override {
    return m_s.m_view->openCountdownView(c);
  }

 private:
  DesktopSession& m_s;
};

bool isDatabaseArgument(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext != ".npd") return false;
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

DesktopSession::DesktopSession(Options options)
    : m_options(std::move(options)),
      m_clock(m_options.clock ? *m_options.clock : Clock::system()),
      m_registry(m_options.registryPath.empty() ? Registry::defaultPath() : m_options.registryPath),
      m_loop(m_clock) {
  m_settings = defaultSettings();
  m_services = std::make_unique<Services>(*this);
  MonitorServices services;
  services.notifier = m_services.get();
  services.endOfWork = m_services.get();
  m_monitorSide = std::make_unique<MonitorSide>(*this, services);
  m_runner = std::make_unique<ControllerRunner>(
      m_loop, *this, m_clock, m_options.roleEntry,
      [this](const JobRecord&) { return runConfigFrom(m_settings); });
  m_runner->setTransfer(&m_transfer);
  m_runner->onRunStart = [this](const JobRecord& job) { m_runningSave.runStarting(job); };
  // The browser's cookies, which the capture host keeps in the jar.
  m_jar = std::make_unique<CookieJar>(CookieJar::defaultPath(), m_clock);
  m_runner->setCookieLookup(
      [jar = m_jar.get()](const std::string& url) { return jar->cookiesFor(url); });
  m_monitor = std::make_unique<QueueMonitor>(*m_runner, *m_monitorSide, m_transfer, m_clock,
                                             monitorSettingsFrom(m_settings));
  m_hooks = std::make_unique<Hooks>(*this);
  m_autoSave = std::make_unique<DatabaseAutoSave>(
      m_clock, m_settings.general, [this](const std::string& path) { return saveTo(path); },
      [this] { return m_dbPath; });
}

DesktopSession::~DesktopSession() {
  // The window may be gone already: nothing is shown from here on.
  m_view = &m_noView;
  closeDialingWindow();
  m_server.reset();
  m_tickWindow.reset();
  // Controllers end their Roles before the records they run on are freed.
  stopEverything();
  m_tree.forEachInSaveOrder([&](const CategoryRecord& cat, uint8_t, uint16_t) {
    for (JobRecord* j = cat.firstJob; j; j = j->next) m_runner->releaseController(*j);
  });
  m_runner.reset();
  m_monitor.reset();
  m_monitorSide.reset();
}

MonitorServices& DesktopSession::services() {
  return m_monitorSide->services();
}

MonitorHost& DesktopSession::monitorHost() {
  return *m_monitorSide;
}

void DesktopSession::usePowerControl() {
  std::string error;
  if (!m_systemBus) m_systemBus = DbusConnection::openSystem(m_loop, 30000, error);
  m_power = std::make_unique<LogindPowerControl>(m_systemBus.get());
  services().power = m_power.get();
}

bool DesktopSession::useDialup(std::string* error, std::unique_ptr<Dialup> backend) {
  if (m_dial) return true;
  if (!backend) {
    std::string why;
    if (!m_systemBus) m_systemBus = DbusConnection::openSystem(m_loop, 30000, why);
    backend = makeDialup(m_loop, m_systemBus.get(), why);
    if (!backend) {
      if (error) *error = why;
      return false;
    }
  }
  m_dialup = std::move(backend);
  m_dial = std::make_unique<DialManager>(m_loop, *m_dialup, *m_services,
                                         dialConfigFrom(m_settings.dialUp));
  m_runner->setDialLine(m_dial.get());
  services().dial = m_dial.get();
  return true;
}

void DesktopSession::useUpdateCheck() {
  if (m_updates) return;
  m_updates = std::make_unique<UpdateChecker>(m_loop, updateEndpointFrom(m_settings.general));
  m_updates->onNewerVersion = [this] { m_view->offerNewerVersion(); };
  services().updates = m_updates.get();
  services().autoUpdateCheck = m_settings.general.autoUpdate != 0;
}

void DesktopSession::toggleHangUpWhenDone() {
  m_settings.dialUp.flags ^= dialupflags::kHangUpWhenDone;
  m_registry.setDword(RegRoot::CurrentUser, settingkeys::kDialUp, "Flags", m_settings.dialUp.flags);
  settingsChanged();
}

void DesktopSession::closeDialingWindow() {
  if (m_dial)
    if (DialingWindow* w = m_dial->dialingWindow()) w->close();
}

bool DesktopSession::own(const std::string& path, std::unique_ptr<DatabaseOwner>& owner,
                         std::string* error) {
  DatabaseOwnerInfo holder;
  switch (DatabaseOwner::acquire(path, kProgramName, owner, &holder)) {
    case DatabaseOwner::Result::Owned:
    case DatabaseOwner::Result::Unlockable:  // nobody can write beside it: nobody saves over us
      return true;
    case DatabaseOwner::Result::Busy:
      break;
  }
  if (error) *error = databaseBusyText(path, holder);
  return false;
}

QueueHooks& DesktopSession::queueHooks() {
  return *m_hooks;
}

void DesktopSession::loadSettings() {
  makeDirs(configDir(), 0700);
  m_settings = defaultSettings();
  settingsIo(m_registry, m_settings, kSettingsLoad);
  settingsChanged();
  setBandwidthMode(bandwidthModeFrom(m_settings));
}

bool DesktopSession::openStartupDatabase(const std::string& argument, BackupChooser* chooser,
                                         std::string* error) {
  std::string remote = m_settings.dataFile.remoteFile;
  if (!argument.empty() && isDatabaseArgument(argument)) remote = argument;
  makeDirs(dataDir(), 0700);
  const std::string defaultPath = defaultDatabasePath(dataDir());
  // Owned before it is read: a file another process saves must not be loaded, and this
  // program's saves must not overwrite that process's.
  const std::string intended = remote.empty() ? defaultPath : remote;
  if (!own(intended, m_owner, error)) return false;
  StartupOutcome o = openDatabaseAtStartup(
      m_tree, remote, defaultPath, m_settings.general.defaultPath, chooser, m_hooks.get(), m_view);
  if (!o.haveDatabase) {
    if (error) *error = "No job database could be opened or created in " + dataDir() + ".";
    return false;
  }
  if (o.path != intended) {
    // It fell back to the default database: that is the one to own.
    std::unique_ptr<DatabaseOwner> fallback;
    if (!own(o.path, fallback, error)) {
      m_hooks->clearAll();
      m_tree.clear();
      return false;
    }
    m_owner = std::move(fallback);
  }
  m_dbPath = o.path;
  m_title = o.title;
  m_view->databaseReplaced();
  return true;
}

ControlReply DesktopSession::handInRequest(const ControlRequest& request) {
  if (m_closing) return ControlReply{-2, {}};
  std::vector<AddJobRequest> requests;
  std::string error;
  if (!decodeHandIn(request.payload, requests, &error)) return ControlReply{-1, error};
  JobContext ctx = jobContext();
  // No question may wait for the user while the sender waits for the answer.
  ctx.boxes = nullptr;
  std::vector<HandInResult> results = handInUrls(ctx, requests);
  int added = 0;
  for (const HandInResult& r : results) added += r.added ? 1 : 0;
  return ControlReply{added, encodeHandInAnswer(results)};
}

void DesktopSession::startRunning() {
  if (!m_tickWindow) {
    m_tickWindow = std::make_unique<TickWindow>(m_loop, *this);
    m_loop.setTimer(m_tickWindow.get(), kMonitorTimerId, 1000);
  }
  if (!m_settings.general.option(generalcheck::kStartOnStartup)) return;
  CategoryRecord* queue = m_tree.findCategory(kCategoryDownload);
  if (!queue) return;
  std::vector<JobRecord*> queued;
  for (JobRecord* j = queue->firstJob; j; j = j->next)
    if (j->startMode() == kStartImmediately || (j->flags2 & jobflags2::kQueued))
      queued.push_back(j);
  startJobs(queued);
}

ControlServer::Listen DesktopSession::listenControl(const std::string& path, std::string* error) {
  if (!m_server) m_server = std::make_unique<ControlServer>(m_loop, m_dispatch.asServerHandler());
  return m_server->listen(path, error);
}

void DesktopSession::stopEverything() {
  if (!m_monitor) return;
  std::vector<JobRecord*> running = m_monitor->running();
  for (JobRecord* job : running) m_monitor->stop(*job, kStopUser);
  // A job whose run is ending but which the monitor already let go of.
  m_tree.forEachInSaveOrder([&](const CategoryRecord& cat, uint8_t, uint16_t) {
    for (JobRecord* j = cat.firstJob; j; j = j->next)
      if (j->activeRoles > 0) m_runner->endRun(*j, kStopUser);
  });
  for (JobRecord* job :
       std::vector<JobRecord*>(m_monitor->waitQueue().begin(), m_monitor->waitQueue().end()))
    job->flags2 &= static_cast<uint16_t>(~jobflags2::kQueued);
  m_monitor->clearAll();
}

void DesktopSession::shutdown(bool saveDatabase) {
  if (m_shutDown) return;
  m_shutDown = true;
  if (m_tickWindow) m_loop.killTimer(m_tickWindow.get(), kMonitorTimerId);
  closeDialingWindow();
  m_closing = true;
  stopEverything();
  m_settings.dataFile.remoteFile = m_dbPath.empty() ? m_settings.dataFile.remoteFile : m_dbPath;
  settingsIo(m_registry, m_settings, kSettingsSave);
  if (saveDatabase && !m_dbPath.empty()) saveTo(m_dbPath);
  if (m_server) m_server->close();
  m_owner.reset();
}

int DesktopSession::saveTo(const std::string& path) {
  std::string bytes;
  if (!m_runningSave.encode(
          m_tree, [this](const JobRecord& job) { return m_runner->controllerOf(job); }, true,
          bytes))
    return 0;
  return writeFileAtomically(path, bytes) ? 1 : 0;
}

int DesktopSession::saveDatabase() {
  if (m_dbPath.empty()) return 0;
  return saveTo(m_dbPath);
}

int DesktopSession::saveDatabaseAs(const std::string& path, std::string* error) {
  std::unique_ptr<DatabaseOwner> owner;
  const bool samePath = path == m_dbPath;
  if (!samePath && !own(path, owner, error)) return 0;
  if (saveTo(path) != 1) {
    if (error) *error = "Cannot save the job database as " + path + ".";
    return 0;
  }
  if (!samePath) m_owner = std::move(owner);
  m_dbPath = path;
  m_settings.dataFile.remoteFile = path;
  return 1;
}

void DesktopSession::saveAll() {
  m_settings.dataFile.remoteFile = m_dbPath.empty() ? m_settings.dataFile.remoteFile : m_dbPath;
  settingsIo(m_registry, m_settings, kSettingsSave);
  if (!m_dbPath.empty()) saveTo(m_dbPath);
}

void DesktopSession::replaceTree(CategoryTree&& fresh, const std::string& path) {
  stopEverything();
  m_finishedOut.clear();
  m_runningSave.clear();
  // Every controller belongs to a record that is about to be freed.
  m_tree.forEachInSaveOrder([&](const CategoryRecord& cat, uint8_t, uint16_t) {
    for (JobRecord* j = cat.firstJob; j; j = j->next) m_runner->releaseController(*j);
  });
  m_tree = std::move(fresh);
  m_dbPath = path;
  if (!path.empty()) m_settings.dataFile.remoteFile = path;
  // The schedule list of the new tree.
  if (CategoryRecord* queue = m_tree.findCategory(kCategoryDownload))
    for (JobRecord* j = queue->firstJob; j; j = j->next)
      if (j->startMode() == kStartSchedule) m_monitor->addToSchedule(*j);
  m_view->databaseReplaced();
}

bool DesktopSession::openDatabase(const std::string& path, std::string* error) {
  std::unique_ptr<DatabaseOwner> owner;
  if (path != m_dbPath && !own(path, owner, error)) return false;
  CategoryTree fresh;
  int r = loadJobDatabase(path, fresh, nullptr);
  if (r != kDbLoaded) {
    if (error)
      *error = r == kDbDamaged ? "The job database " + path + " is damaged."
                               : "Cannot open the job database " + path + ".";
    return false;
  }
  if (!m_dbPath.empty()) saveTo(m_dbPath);
  if (owner) m_owner = std::move(owner);
  replaceTree(std::move(fresh), path);
  return true;
}

void DesktopSession::newDatabase() {
  if (!m_dbPath.empty()) saveTo(m_dbPath);
  CategoryTree fresh;
  buildDefaultTree(fresh, m_settings.general.defaultPath);
  // An untitled database has no file to own yet.
  m_owner.reset();
  replaceTree(std::move(fresh), "");
}

JobContext DesktopSession::jobContext() {
  JobContext ctx{m_tree, m_settings, m_hooks.get(), m_view, m_boxes, {}, {}};
  ctx.deleteFile = [](const JobRecord& job) {
    return deleteJobFile(FileSystem::system(), job, true, true);
  };
  ctx.moveFile = [](JobRecord& job, const std::string& dir) {
    return moveJobFile(FileSystem::system(), job, dir);
  };
  return ctx;
}

CategoryUi DesktopSession::categoryUi() {
  return CategoryUi{m_boxes, m_view, m_hooks.get()};
}

void DesktopSession::startJobs(const std::vector<JobRecord*>& jobs) {
  for (JobRecord* job : jobs) {
    if (job->activeRoles > 0 || jobComplete(*job)) continue;
    CategoryRecord* holder = m_tree.holderOf(*job);
    if (!holder || holder->id != kCategoryDownload) continue;
    changeJob(*job, [](JobRecord& j) { j.setStartMode(kStartImmediately); });
    m_monitor->start(*job);
    m_view->jobChanged(*job);
  }
}

void DesktopSession::pauseJobs(const std::vector<JobRecord*>& jobs) {
  for (JobRecord* job : jobs) {
    if (job->activeRoles > 0) {
      m_monitor->stop(*job, kStopUser);
    } else {
      m_monitor->removeFromQueues(*job);
      changeJob(*job, [](JobRecord& j) { j.setStartMode(kStartManual); });
    }
    m_view->jobChanged(*job);
  }
}

int DesktopSession::startableCount() const {
  int n = 0;
  if (CategoryRecord* queue = m_tree.findCategory(kCategoryDownload))
    for (JobRecord* j = queue->firstJob; j; j = j->next)
      if (j->activeRoles == 0 && !jobComplete(*j) && !(j->flags2 & jobflags2::kQueued)) ++n;
  return n;
}

void DesktopSession::startAll() {
  CategoryRecord* queue = m_tree.findCategory(kCategoryDownload);
  if (!queue) return;
  std::vector<JobRecord*> jobs;
  for (JobRecord* j = queue->firstJob; j; j = j->next) jobs.push_back(j);
  startJobs(jobs);
}

void DesktopSession::pauseAll() {
  std::vector<JobRecord*> queued(m_monitor->waitQueue().begin(), m_monitor->waitQueue().end());
  for (JobRecord* job : queued) {
    m_monitor->removeFromQueues(*job);
    changeJob(*job, [](JobRecord& j) { j.setStartMode(kStartManual); });
    m_view->jobChanged(*job);
  }
  std::vector<JobRecord*> running = m_monitor->running();
  for (JobRecord* job : running) {
    m_monitor->stop(*job, kStopUser);
    m_view->jobChanged(*job);
  }
}

void DesktopSession::scheduleJobs(const std::vector<JobRecord*>& jobs) {
  for (JobRecord* job : jobs) {
    if (job->activeRoles > 0 || jobComplete(*job)) continue;
    m_monitor->removeFromQueues(*job);
    changeJob(*job, [](JobRecord& j) { j.setStartMode(kStartSchedule); });
    m_monitor->addToSchedule(*job);
    m_view->jobChanged(*job);
  }
}

void DesktopSession::moveJobs(CategoryRecord& cat, const std::vector<JobRecord*>& jobs,
                              JobMove how) {
  if (!moveJobsInList(m_tree, cat, jobs, how)) return;
  m_monitor->orderWaitQueue([](const JobRecord& j) { return static_cast<int64_t>(j.listIndex); });
  m_view->refreshJobList();
}

int DesktopSession::changeSplit(JobRecord& job, bool more) {
  JobController* c = m_runner->controllerOf(job);
  if (!c || job.activeRoles == 0) return 0;
  int r = static_cast<int>(c->command(CtlChangeSplit, more ? 0 : 1));
  m_view->jobChanged(job);
  return r;
}

void DesktopSession::destroyJob(JobRecord& job) {
  const auto& running = m_monitor->running();
  if (job.activeRoles > 0 || std::find(running.begin(), running.end(), &job) != running.end())
    m_monitor->stop(job, kStopUser);
  m_monitor->removeFromQueues(job);
  m_runner->releaseController(job);
  m_finishedOut.erase(std::remove(m_finishedOut.begin(), m_finishedOut.end(), &job),
                      m_finishedOut.end());
  m_runningSave.runEnded(job);
  CategoryRecord* holder = m_tree.holderOf(job);
  if (!holder) return;
  if (m_view->shownCategory() == holder) m_view->rowRemoved(job);
  m_view->jobForgotten(job);
  m_tree.unlinkJob(*holder, job);  // the returned owner frees the record
}

void DesktopSession::setBandwidthMode(int mode) {
  if (mode < 0 || mode > 2) mode = 0;
  fw::setBandwidthMode(m_settings, mode);
  m_monitor->setBandwidthMode(mode);
  m_transfer.budget.refill(bandwidthLimit(m_monitor->settings(), mode));
}

int DesktopSession::bandwidthMode() const {
  return m_monitor->bandwidthMode();
}

void DesktopSession::toggleMonitorBit(uint32_t bit) {
  m_settings.general.monitor ^= bit;
  m_registry.setDword(RegRoot::CurrentUser, settingkeys::kGeneral, "Monitor",
                      m_settings.general.monitor);
  settingsChanged();
}

void DesktopSession::settingsChanged() {
  m_monitor->setSettings(monitorSettingsFrom(m_settings));
  if (m_dial) m_dial->setConfig(dialConfigFrom(m_settings.dialUp));
  if (m_updates) {
    m_updates->setEndpoint(updateEndpointFrom(m_settings.general));
    services().autoUpdateCheck = m_settings.general.autoUpdate != 0;
  }
  for (const std::function<void()>& listener : m_settingsListeners)
    if (listener) listener();
}

void DesktopSession::tick() {
  m_monitor->tick();
  retireFinishedOut();
  m_view->ticked();
}

void DesktopSession::retireFinishedOut() {
  if (m_finishedOut.empty()) return;
  std::vector<JobRecord*> pending;
  pending.swap(m_finishedOut);
  const auto& running = m_monitor->running();
  for (JobRecord* job : pending) {
    if (job->activeRoles > 0 || std::find(running.begin(), running.end(), job) != running.end())
      m_finishedOut.push_back(job);
    else
      destroyJob(*job);
  }
}

// ---- ControllerHost ----

void DesktopSession::setRowImage(JobRecord& job, RowImage) {
  m_view->jobChanged(job);
}

void DesktopSession::setRowCell(JobRecord& job, const std::string&, const std::string&) {
  // The list computes every cell from the record; the controller only says when.
  m_view->jobChanged(job);
}

void DesktopSession::redrawRow(JobRecord& job, int) {
  m_view->jobChanged(job);
}

void DesktopSession::removeDownloadRow(JobRecord& job) {
  // The row leaves the queue with the move to the job's category that follows; a job
  // kept out of its category is freed once the monitor has retired it.
  if (m_settings.general.deleteWhenComplete()) m_finishedOut.push_back(&job);
}

void DesktopSession::moveToCategoryHead(JobRecord& job) {
  JobContext ctx = jobContext();
  moveJob(ctx, job, job.category > kCategoryDownload ? job.category : kCategoryDownloaded, true);
}

bool DesktopSession::isShownJob(const JobRecord& job) {
  return m_view->isShownJob(job);
}

void DesktopSession::roleTreeCleared(JobRecord& job) {
  m_view->roleTreeCleared(job);
}

void DesktopSession::roleNodeAdded(JobRecord& job, int roleNo) {
  m_view->roleNodeAdded(job, roleNo);
}

void DesktopSession::roleNodeRemoved(JobRecord& job, int roleNo) {
  m_view->roleNodeRemoved(job, roleNo);
}

void DesktopSession::detailRefresh(JobRecord& job) {
  m_view->detailRefresh(job);
}

void DesktopSession::logLineAdded(JobRecord& job, int roleNo, const std::string& line) {
  m_view->logLineAdded(job, roleNo, line);
}

void DesktopSession::notice(const std::string& text) {
  m_monitorSide->notice(text);
}

void DesktopSession::playSound(const std::string& path) {
  m_monitorSide->playSound(path);
}

bool DesktopSession::proxyByIndex(int index, ProxyRecord& out) {
  const auto& proxies = m_settings.proxy.proxies;
  if (proxies.empty()) return false;
  // A stored index that does not exist means the first entry, the direct connection.
  if (index < 1 || index > static_cast<int>(proxies.size())) index = 1;
  out = proxies[static_cast<size_t>(index - 1)];
  return true;
}

bool DesktopSession::proxyByTitle(const std::string& title, ProxyRecord& out) {
  for (const ProxyRecord& p : m_settings.proxy.proxies) {
    if (p.title == title) {
      out = p;
      return true;
    }
  }
  return false;
}

void DesktopSession::requestDial() {
  if (DialManager* dial = services().dial) dial->requestDial(0);
}

void DesktopSession::forwardToMain(intptr_t) {}

void DesktopSession::runProgram(const std::vector<std::string>& argv) {
  if (!launchDetached(argv) && !argv.empty()) m_view->notice("Cannot start " + argv[0]);
}

DirectoryAddCount DesktopSession::directoryListed(JobRecord& dirJob,
                                                  const std::vector<DirectoryFile>& files) {
  JobContext ctx = jobContext();
  DirectoryJobsOutcome out;
  addDirectoryJobs(ctx, dirJob, files, &out);
  if (out.category) m_view->rebuildTree();
  return out.count;
}

void DesktopSession::jobEnded(JobRecord& job, bool complete) {
  JobController* c = m_runner ? m_runner->controllerOf(job) : nullptr;
  if (complete || (c && c->lastEndReason() != kStopUser)) m_monitor->jobEndedByItself();
  m_monitor->runEnded(job);
  m_runningSave.runEnded(job);
  m_view->jobChanged(job);
  m_view->jobEnded(job, complete);
}

}  // namespace fw

#include "cli/cli_app.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <set>

#include "cli/cli_host.h"
#include "cli/database_writer.h"
#include "cli/job_listing.h"
#include "cli/repeat_job.h"
#include "cli/run_settings.h"
#include "engine/storage/target_file.h"
#include "engine/url/ftp_directory_url.h"
#include "engine/url/url_parse.h"
#include "jobs/controller_runner.h"
#include "jobs/job_progress.h"
#include "jobs/queue_monitor.h"
#include "platform/ascii_text.h"
#include "platform/control_kinds.h"
#include "platform/control_socket.h"
#include "platform/cookie_jar.h"
#include "platform/message_loop.h"
#include "platform/paths.h"
#include "store/category_tree.h"
#include "store/database_owner.h"
#include "store/database_session.h"
#include "store/directory_jobs.h"
#include "store/job_database.h"
#include "store/job_operations.h"
#include "store/running_save.h"
#include "store/url_hand_in.h"

namespace fw {

namespace {

constexpr int kRenderTimerId = 2;
// A target file that was just made is recorded within this time, so that a kill soon
// after it reopens the file on the next run instead of starting a second one beside it.
constexpr int kTargetTimerId = 3;
constexpr int kTargetCheckMs = 100;

class CliWindow final : public Window {
 public:
  CliWindow(MessageLoop& loop, std::function<void(int)> onTimer)
      : Window(loop), m_onTimer(std::move(onTimer)) {}
  LResult handleMessage(MessageId msg, WParam w, LParam) override {
    if (msg == kMsgTimer) m_onTimer(static_cast<int>(w));
    return 0;
  }

 private:
  std::function<void(int)> m_onTimer;
};

// Every job of the tree, category by category.
std::vector<JobRecord*> allJobs(const CategoryTree& tree) {
  std::vector<JobRecord*> out;
  tree.forEachInSaveOrder([&](const CategoryRecord& cat, uint8_t, uint16_t) {
    for (JobRecord* j = cat.firstJob; j; j = j->next) out.push_back(j);
  });
  return out;
}

class NoBackupChoice final : public BackupChooser {
 public:
  int choose(const std::vector<BackupCandidate>&) override { return -1; }
};

class CliRun {
 public:
  CliRun(const CliOptions& opts, CliEnvironment& env)
      : m_opts(opts),
        m_env(env),
        m_clock(env.clock ? *env.clock : Clock::system()),
        m_view(env.out, env.terminal, env.width) {}

  int run();

 private:
  std::string intendedDatabase() const;
  int claimDatabase(const std::string& path, bool mayHandOver);
  int handOver(const std::string& path, const DatabaseOwnerInfo& holder);
  bool openDatabase();
  void addUrls();
  void collectUnfinished();
  void startJobs();
  void startOne(JobRecord* job);
  DirectoryAddCount onDirectoryListed(JobRecord& dirJob, const std::vector<DirectoryFile>& files);
  void onTimer(int id);
  void onJobEnded(JobRecord& job, bool complete);
  void onSignal();
  bool allEnded() const;
  // Writes the job database through the writer thread. With `refreshRunning` a running
  // job's record claims what its file holds now (its cache is flushed and synced first);
  // without, a running job is written as it was last written, which costs no flush and
  // no sync.
  void save(bool refreshRunning = true);
  // Writes the whole tree to `path` at once, a running job as what is on its disk. False
  // when the file cannot be written.
  bool saveTo(const std::string& path);
  // The database's bytes, a running job as what is on its disk (see save()). False when
  // a cache could not be flushed: nothing of that run can be claimed, and the live
  // record, which the Roles are writing, is no stand-in.
  bool encodeTree(bool refreshRunning, std::string& out);
  // The copy of `job` that is written while it runs: its record as the run starts.
  void noteRunStart(const JobRecord& job);
  void reportSaveFailure();
  void maybeSaveForProgress();
  bool newTargetMade();
  std::vector<JobLine> liveLines() const;
  void track(JobRecord* job) {
    if (std::find(m_jobs.begin(), m_jobs.end(), job) == m_jobs.end()) m_jobs.push_back(job);
  }

  const CliOptions& m_opts;
  CliEnvironment& m_env;
  Clock& m_clock;
  ProgressView m_view;
  Settings m_settings;
  RunSettings m_run;
  std::string m_dbPath;
  std::unique_ptr<DatabaseOwner> m_owner;
  std::string m_ownedPath;
  CategoryTree m_tree;
  std::unique_ptr<MessageLoop> m_loop;
  std::unique_ptr<CliHost> m_host;
  std::unique_ptr<CookieJar> m_jar;  // before the runner: its Roles look cookies up
  std::unique_ptr<ControllerRunner> m_runner;
  std::unique_ptr<QueueMonitor> m_monitor;
  std::unique_ptr<DatabaseAutoSave> m_autoSave;
  ProgramTransfer m_transfer;
  std::vector<JobRecord*> m_jobs;  // the jobs this run waits for
  std::set<JobRecord*> m_failed;
  std::set<JobRecord*> m_done;  // given again, complete, and their files are there
  int m_refused = 0;
  bool m_interrupted = false;
  int64_t m_lastSaveMs = 0;
  int64_t m_savedProgress = -1;
  std::set<JobRecord*> m_targetSaved;  // jobs saved once after their file was created
  // What the database holds for each running job: its record when the run started, or
  // what the last refreshing save claimed for it.
  RunningSave m_runningSave;  // the stand-ins of running jobs between saves
  std::unique_ptr<DatabaseWriter> m_writer;
};

std::string CliRun::intendedDatabase() const {
  if (m_opts.db) return *m_opts.db;
  const std::string& remote = m_settings.dataFile.remoteFile;
  return remote.empty() ? defaultDatabasePath(dataDir()) : remote;
}

// -1 when this run owns `path` (or nobody can own it); otherwise the exit code, after the
// URLs were handed to the desktop program that owns it or the owner was named.
int CliRun::claimDatabase(const std::string& path, bool mayHandOver) {
  DatabaseOwnerInfo holder;
  switch (DatabaseOwner::acquire(path, "fetchwright-cli", m_owner, &holder)) {
    case DatabaseOwner::Result::Owned:
      m_ownedPath = path;
      return -1;
    case DatabaseOwner::Result::Unlockable:
      // A folder nobody can write to: nobody can save over us either.
      return -1;
    case DatabaseOwner::Result::Busy:
      break;
  }
  if (mayHandOver && !m_opts.db && holder.program == "fetchwright" && !m_opts.urls.empty() &&
      !m_opts.list && !m_opts.resume)
    return handOver(path, holder);
  std::fprintf(m_env.err, "fetchwright-cli: %s\n", databaseBusyText(path, holder).c_str());
  return kExitUsage;
}

int CliRun::handOver(const std::string& path, const DatabaseOwnerInfo& holder) {
  if (m_opts.proxy || m_opts.jobs || m_opts.limit || m_opts.retries || m_opts.retryDelay ||
      m_opts.timeout || m_opts.noVerify || m_opts.again)
    std::fprintf(m_env.err,
                 "fetchwright-cli: the desktop program runs the jobs with its own settings; "
                 "--proxy, --jobs, --limit, --retries, --retry-delay, --timeout, "
                 "--no-verify and --again are not passed on\n");
  std::vector<AddJobRequest> requests;
  for (const std::string& given : m_opts.urls) {
    AddJobRequest req = addRequestFor(m_opts, m_run, trimmed(given, " \t\r\n"));
    req.startMode = kStartImmediately;
    req.ftpProxy = req.httpProxy = kUseDefault8;
    if (m_opts.output) req.fileName = *m_opts.output;
    requests.push_back(std::move(req));
  }
  ControlReply reply;
  ControlCall call =
      controlCall(controlSocketPath(), {kControlAddUrls, encodeHandIn(requests)}, reply, 15000);
  if (call != ControlCall::Answered || reply.result < 0) {
    std::fprintf(m_env.err, "fetchwright-cli: %s It does not take URLs now.\n",
                 databaseBusyText(path, holder).c_str());
    return kExitUsage;
  }
  std::vector<HandInResult> results = decodeHandInAnswer(reply.payload);
  size_t added = 0;
  for (size_t i = 0; i < requests.size(); ++i) {
    if (i < results.size() && results[i].added) {
      ++added;
      std::fprintf(m_env.out, "%s\n", results[i].text.c_str());
    } else {
      std::string why = i < results.size() ? results[i].text : "no answer";
      std::fprintf(m_env.out, "%s: %s\n", m_opts.urls[i].c_str(), why.c_str());
    }
  }
  std::fflush(m_env.out);
  return added == requests.size() ? kExitAllComplete : kExitSomeFailed;
}

bool CliRun::openDatabase() {
  if (!m_opts.db) {
    // The desktop program's database, with its fall-backs. No one is there to pick a
    // backup of a damaged file; it is kept aside as "<path>.bad", never lost.
    NoBackupChoice none;
    StartupOutcome o = openDatabaseAtStartup(m_tree, m_settings.dataFile.remoteFile,
                                             defaultDatabasePath(dataDir()),
                                             m_settings.general.defaultPath, &none);
    if (!o.haveDatabase) {
      std::fprintf(m_env.err, "fetchwright-cli: no job database could be opened or created\n");
      return false;
    }
    m_dbPath = o.path;
    return true;
  }
  m_dbPath = *m_opts.db;
  int r = loadJobDatabase(m_dbPath, m_tree, nullptr);
  if (r == kDbLoaded) return true;
  if (r == kDbDamaged) {
    std::fprintf(m_env.err,
                 "fetchwright-cli: the job database %s is damaged; it was left untouched\n",
                 m_dbPath.c_str());
    return false;
  }
  struct stat st {};
  if (::stat(m_dbPath.c_str(), &st) == 0 && st.st_size > 0) {
    std::fprintf(m_env.err, "fetchwright-cli: cannot read the job database %s\n", m_dbPath.c_str());
    return false;
  }
  buildDefaultTree(m_tree, m_settings.general.defaultPath);
  return true;
}

void CliRun::addUrls() {
  // No queue: jobs are added stopped and started below, once their options are set.
  JobContext ctx{m_tree, m_settings, nullptr, nullptr, nullptr, {}, {}};
  ctx.deleteFile = [](const JobRecord& job) {
    return deleteJobFile(FileSystem::system(), job, true, true);
  };
  for (const std::string& given : m_opts.urls) {
    std::string url = trimmed(given, " \t\r\n");
    AddJobRequest req = addRequestFor(m_opts, m_run, url);
    JobRecord* job = addJob(ctx, req);
    if (!job) {
      UrlParts parts;
      if (!parseUrl(std::string_view(url), parts)) {
        std::fprintf(m_env.err, "fetchwright-cli: invalid URL: %s\n", given.c_str());
        ++m_refused;
        continue;
      }
      job = m_tree.findJobByUrl(url);
      if (!job) {
        std::fprintf(m_env.err, "fetchwright-cli: cannot add %s\n", given.c_str());
        ++m_refused;
        continue;
      }
      track(job);
      RepeatDecision d = prepareRepeatedJob(ctx, *job, {m_opts.dir, m_opts.output, m_opts.again},
                                            FileSystem::system());
      m_view.event(d.line);
      if (!d.start) m_done.insert(job);
      continue;
    }
    if (m_opts.output) {
      job->fileName = *m_opts.output;
      job->flags2 |= jobflags2::kNameFixed;
    }
    track(job);
  }
}

void CliRun::collectUnfinished() {
  for (JobRecord* job : allJobs(m_tree))
    if (!jobComplete(*job)) track(job);
}

void CliRun::startJobs() {
  // A directory job adds to m_jobs while it runs; those start themselves.
  std::vector<JobRecord*> given = m_jobs;
  for (JobRecord* job : given) {
    if (m_done.count(job)) continue;  // reported when its URL was taken
    if (jobComplete(*job)) {
      m_view.event("complete: " + job->fileName);
      continue;
    }
    startOne(job);
  }
}

void CliRun::startOne(JobRecord* job) {
  job->setStartMode(kStartImmediately);
  int r = m_monitor->start(*job);
  if (r < 1) {
    m_view.event("failed: " + job->fileName + " (cannot start)");
    m_failed.insert(job);
  } else if (job->activeRoles > 0) {
    m_view.event("started: " + job->fileName + "  " + job->url);
  }
}

DirectoryAddCount CliRun::onDirectoryListed(JobRecord& dirJob,
                                            const std::vector<DirectoryFile>& files) {
  JobContext ctx{m_tree, m_settings, nullptr, nullptr, nullptr, {}, {}};
  DirectoryJobsOutcome out;
  addDirectoryJobs(ctx, dirJob, files, &out);
  m_view.event("listed: " + dirJob.url + " (" + std::to_string(files.size()) + " file(s), " +
               std::to_string(out.count.added) + " new, " + std::to_string(out.count.duplicates) +
               " already in the database, " + std::to_string(out.count.refused) + " refused)");
  std::vector<JobRecord*> toStart = out.added;
  // A file left unfinished by an earlier run of the same directory is finished now.
  for (const DirectoryFile& f : files) {
    JobRecord* old = m_tree.findJobByUrl(f.url);
    if (old && old->activeRoles == 0 && !jobComplete(*old) &&
        std::find(toStart.begin(), toStart.end(), old) == toStart.end())
      toStart.push_back(old);
  }
  for (JobRecord* job : toStart) {
    if (std::find(m_jobs.begin(), m_jobs.end(), job) != m_jobs.end()) continue;
    track(job);
    startOne(job);
  }
  return out.count;
}

bool CliRun::allEnded() const {
  for (JobRecord* job : m_jobs) {
    if (job->activeRoles > 0 || (readProgress(*job).flags2 & jobflags2::kQueued)) return false;
    const auto& running = m_monitor->running();
    if (std::find(running.begin(), running.end(), job) != running.end() && m_runner->hasRoles(*job))
      return false;
  }
  return true;
}

void CliRun::onJobEnded(JobRecord& job, bool complete) {
  // Without pacing the next queued job takes the slot now rather than at the next tick.
  m_monitor->runEnded(job);
  if (complete) {
    m_monitor->jobEndedByItself();
    m_failed.erase(&job);
    std::string size = job.fileSize >= 0 ? humanBytes(job.fileSize) : humanBytes(job.downloaded);
    if (isFtpDirectoryUrl(job.url))
      m_view.event("done: listed " + job.url);
    else
      m_view.event("done: " + job.saveDir + "/" + job.fileName + " (" + size + ")");
  } else if (!m_interrupted) {
    m_failed.insert(&job);
    std::string why;
    if (!job.roleLogs.empty() && !job.roleLogs.front().lines.empty())
      why = " - " + job.roleLogs.front().lines.back().substr(1);
    m_view.event("failed: " + job.fileName + why);
  } else {
    m_view.event("stopped: " + job.fileName);
  }
  m_runningSave.runEnded(job);
  // The other running jobs keep what the database says of them: a job ending beside
  // nine others would otherwise flush and sync nine files.
  save(false);
  // No need to wait for the monitor's next tick when this was the last job.
  if (m_loop && allEnded()) m_loop->quit(m_interrupted ? kExitInterrupted : 0);
}

void CliRun::onSignal() {
  char buf[16];
  while (::read(m_env.signalFd, buf, sizeof buf) > 0) {
  }
  if (m_interrupted) return;
  m_interrupted = true;
  m_view.event("interrupted: stopping the running jobs (run again with --resume)");
  std::vector<JobRecord*> running = m_monitor->running();
  for (JobRecord* job : m_jobs) {
    if (job->flags2 & jobflags2::kQueued) m_monitor->removeFromQueues(*job);
  }
  for (JobRecord* job : running) m_monitor->stop(*job, -2);
  if (allEnded()) m_loop->quit(kExitInterrupted);
}

void CliRun::noteRunStart(const JobRecord& job) {
  m_runningSave.runStarting(job);
}

void CliRun::save(bool refreshRunning) {
  std::string bytes;
  if (encodeTree(refreshRunning, bytes))
    m_writer->submit(std::move(bytes));
  else
    std::fprintf(m_env.err, "fetchwright-cli: cannot save the job database %s\n", m_dbPath.c_str());
  reportSaveFailure();
  m_lastSaveMs = m_clock.monotonicMs();
}

void CliRun::reportSaveFailure() {
  if (m_writer->takeFailure())
    std::fprintf(m_env.err, "fetchwright-cli: cannot save the job database %s\n", m_dbPath.c_str());
}

bool CliRun::saveTo(const std::string& path) {
  std::string bytes;
  return encodeTree(true, bytes) && writeFileAtomically(path, bytes);
}

bool CliRun::encodeTree(bool refreshRunning, std::string& out) {
  return m_runningSave.encode(
      m_tree,
      [this](const JobRecord& job) { return m_runner ? m_runner->controllerOf(job) : nullptr; },
      refreshRunning, out);
}

bool CliRun::newTargetMade() {
  bool made = false;
  for (JobRecord* job : m_jobs) {
    if (readProgress(*job).createTime.isSet() && m_targetSaved.insert(job).second) made = true;
  }
  return made;
}

void CliRun::maybeSaveForProgress() {
  int64_t progress = 0;
  for (JobRecord* job : m_jobs) progress += readProgress(*job).downloaded;
  bool newTarget = newTargetMade();
  bool due = m_clock.monotonicMs() - m_lastSaveMs >= m_env.progressSaveSeconds * 1000LL;
  if (newTarget || (due && progress != m_savedProgress)) {
    m_savedProgress = progress;
    save();
  }
}

std::vector<JobLine> CliRun::liveLines() const {
  std::vector<JobLine> lines;
  for (JobRecord* job : m_monitor->running()) {
    JobController* c = m_runner->controllerOf(*job);
    const JobProgress p = readProgress(*job);
    lines.push_back(JobLine{p.fileName, p.downloaded, p.fileSize, c ? c->speed() : 0,
                            job->activeRoles, job->splitCount});
  }
  return lines;
}

void CliRun::onTimer(int id) {
  if (id == kMonitorTimerId) {
    m_monitor->tick();
    if (!m_interrupted) maybeSaveForProgress();
    if (allEnded()) m_loop->quit(m_interrupted ? kExitInterrupted : 0);
  } else if (id == kTargetTimerId) {
    if (!m_interrupted && newTargetMade()) save();
  } else if (id == kRenderTimerId) {
    m_view.render(liveLines(), m_monitor->overallSpeed());
  }
}

int CliRun::run() {
  m_settings = loadRunSettings();
  m_run = applyCliOverrides(m_opts, m_settings);
  // The lock lives beside the database: in a fresh home its folder must exist first, or
  // the lock could not be made and two runs would each take the database as their own.
  if (!m_opts.db) makeDirs(dataDir(), 0700);
  int busy = claimDatabase(intendedDatabase(), true);
  if (busy >= 0) return busy;
  if (!openDatabase()) return kExitSomeFailed;
  if (m_owner && m_dbPath != m_ownedPath) {
    // Opening fell back to the default database: that is the one to own.
    m_owner.reset();
    busy = claimDatabase(m_dbPath, false);
    if (busy >= 0) return busy;
  }
  m_writer = std::make_unique<DatabaseWriter>(
      [path = m_dbPath](const std::string& bytes) { return writeFileAtomically(path, bytes); });

  if (m_opts.list) {
    for (JobRecord* job : allJobs(m_tree)) std::fprintf(m_env.out, "%s\n", listLine(*job).c_str());
    return kExitAllComplete;
  }

  m_loop = std::make_unique<MessageLoop>(m_clock);
  m_host = std::make_unique<CliHost>(m_view, m_tree, m_run.proxies, m_opts.log);
  m_host->onJobEnded = [this](JobRecord& job, bool complete) { onJobEnded(job, complete); };
  m_autoSave = std::make_unique<DatabaseAutoSave>(
      m_clock, m_settings.general,
      [this](const std::string& path) {
        if (path == m_dbPath) {
          save();
          return 1;
        }
        return saveTo(path) ? 1 : 0;
      },
      [this] { return m_dbPath; });
  m_host->onDatabaseChecks = [this](const CalendarTime& now) { m_autoSave->databaseChecks(now); };
  m_host->onDirectoryListed = [this](JobRecord& dirJob, const std::vector<DirectoryFile>& files) {
    return onDirectoryListed(dirJob, files);
  };
  m_runner = std::make_unique<ControllerRunner>(
      *m_loop, *m_host, m_clock, m_env.roleEntry,
      [this](const JobRecord& job) { return runConfigFor(m_run, m_settings, job); });
  m_runner->onRunStart = [this](const JobRecord& job) { noteRunStart(job); };
  m_monitor =
      std::make_unique<QueueMonitor>(*m_runner, *m_host, m_transfer, m_clock, m_run.monitor);
  m_monitor->setBandwidthMode(m_run.bandwidthMode);
  m_transfer.budget.refill(m_run.bandwidthMode == 1   ? m_run.monitor.manualBand
                           : m_run.bandwidthMode == 2 ? m_run.monitor.autoBand
                                                      : 0);
  m_runner->setTransfer(&m_transfer);
  m_jar = std::make_unique<CookieJar>(CookieJar::defaultPath(), m_clock);
  m_runner->setCookieLookup(
      [jar = m_jar.get()](const std::string& url) { return jar->cookiesFor(url); });

  addUrls();
  if (m_opts.resume) collectUnfinished();
  save();
  startJobs();

  int code = 0;
  if (!allEnded()) {
    CliWindow window(*m_loop, [this](int id) { onTimer(id); });
    m_loop->setTimer(&window, kMonitorTimerId, 1000);
    m_loop->setTimer(&window, kTargetTimerId, kTargetCheckMs);
    if (m_env.terminal) m_loop->setTimer(&window, kRenderTimerId, 500);
    if (m_env.signalFd >= 0)
      m_loop->watchFd(m_env.signalFd, POLLIN, [this](int, short) { onSignal(); });
    code = m_loop->run();
    if (m_env.signalFd >= 0) m_loop->unwatchFd(m_env.signalFd);
  }
  m_view.clear();
  m_monitor->tick();  // retire what ended in the last second
  save();
  m_writer->drain();
  reportSaveFailure();

  int completed = 0, failed = 0;
  for (JobRecord* job : m_jobs) (jobComplete(*job) ? completed : failed)++;
  std::fprintf(m_env.out, "%d completed, %d failed%s\n", completed, failed + m_refused,
               m_interrupted ? ", interrupted" : "");
  std::fflush(m_env.out);
  if (m_interrupted || code == kExitInterrupted) return kExitInterrupted;
  return (failed + m_refused) > 0 ? kExitSomeFailed : kExitAllComplete;
}

}  // namespace

int runCli(const CliOptions& options, CliEnvironment& env) {
  if (options.help) {
    std::fputs(cliUsage().c_str(), env.out);
    return kExitAllComplete;
  }
  if (options.version) {
    std::fprintf(env.out, "fetchwright-cli %s\n", FW_VERSION);
    return kExitAllComplete;
  }
  CliRun run(options, env);
  return run.run();
}

}  // namespace fw

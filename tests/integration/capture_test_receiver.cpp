// The receiving side of the browser-capture end-to-end test until the desktop program
// exists: the real control socket served with the real receivers (HandOffReceiver) on the
// core the command-line program runs on. A job the receivers add at once goes through
// AddJob into the queue and is downloaded by its Roles; every request with its answer,
// what would open a window (the property sheet, a "Select Url" window) and every job's end
// are written as JSON lines
// to $FW_CAPTURE_EVENTS (default <data folder>/capture-events.log). Runs until SIGTERM.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "capture/receiver/hand_off_receiver.h"
#include "cli/cli_host.h"
#include "cli/cli_options.h"
#include "cli/run_settings.h"
#include "engine/role/role_worker.h"
#include "jobs/controller_runner.h"
#include "jobs/queue_monitor.h"
#include "platform/control_kinds.h"
#include "platform/cookie_jar.h"
#include "platform/message_loop.h"
#include "store/category_tree.h"
#include "store/job_database.h"

namespace fw {
namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
  char b = 1;
  ssize_t n = ::write(g_signalPipe[1], &b, 1);
  (void)n;
}

class EventLog {
 public:
  explicit EventLog(const std::string& path) : m_file(std::fopen(path.c_str(), "a")) {}
  ~EventLog() {
    if (m_file) std::fclose(m_file);
  }
  void write(const nlohmann::json& event) {
    if (!m_file) return;
    std::fprintf(m_file, "%s\n", event.dump().c_str());
    std::fflush(m_file);
  }

 private:
  std::FILE* m_file;
};

// The queue monitor's tick; once asked to end, the jobs are stopped and the loop ends when
// their Roles have (at most a few ticks later).
class TickWindow final : public Window {
 public:
  TickWindow(MessageLoop& loop, QueueMonitor& monitor, ControllerRunner& runner)
      : Window(loop), m_monitor(monitor), m_runner(runner) {}
  LResult handleMessage(MessageId msg, WParam w, LParam) override {
    if (msg != kMsgTimer || w != kMonitorTimerId) return 0;
    m_monitor.tick();
    if (m_endTicks > 0 && (--m_endTicks == 0 || !anyRoles())) loop().quit(0);
    return 0;
  }
  void end() {
    if (m_endTicks > 0) return;
    std::vector<JobRecord*> running = m_monitor.running();
    for (JobRecord* job : running) m_monitor.stop(*job, -2);
    m_endTicks = 5;
    if (!anyRoles()) loop().quit(0);
  }

 private:
  bool anyRoles() {
    for (JobRecord* job : m_monitor.running())
      if (m_runner.hasRoles(*job)) return true;
    return false;
  }
  QueueMonitor& m_monitor;
  ControllerRunner& m_runner;
  int m_endTicks = 0;
};

// The main window's part, without windows.
class HeadlessWindow final : public HandOffWindow {
 public:
  HeadlessWindow(EventLog& log, CategoryTree& tree, Settings& settings, QueueMonitor& monitor)
      : m_log(log), m_tree(tree), m_settings(settings), m_monitor(monitor) {}

  void bringToFront() override {}
  void openSelectUrl(const std::vector<UrlRow>& rows) override {
    nlohmann::json list = nlohmann::json::array();
    for (const UrlRow& r : rows) list.push_back({{"title", r.title}, {"url", r.url}});
    m_log.write({{"event", "select-url"}, {"rows", list}});
  }
  void queuePropertySheet(const NewJobOffer& o) override {
    m_log.write(
        {{"event", "sheet"}, {"url", o.url}, {"referrer", o.referrer}, {"comment", o.comment}});
  }
  bool addJobNow(const AddJobRequest& request) override {
    JobContext ctx{m_tree, m_settings, &m_monitor, nullptr, nullptr, {}, {}};
    JobRecord* job = addJob(ctx, request);
    m_log.write({{"event", "added"},
                 {"url", request.url},
                 {"referrer", request.referer},
                 {"comment", request.comment},
                 {"ok", job != nullptr}});
    return job != nullptr;
  }
  std::string clipboardText() override { return ""; }
  bool closing() const override { return false; }

 private:
  EventLog& m_log;
  CategoryTree& m_tree;
  Settings& m_settings;
  QueueMonitor& m_monitor;
};

int run() {
  if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  const char* eventsPath = std::getenv("FW_CAPTURE_EVENTS");
  makeDirs(dataDir(), 0700);
  EventLog log(eventsPath && *eventsPath ? eventsPath : dataDir() + "/capture-events.log");

  Clock& clock = Clock::system();
  Settings settings = loadRunSettings();
  RunSettings runSettings = applyCliOverrides(CliOptions{}, settings);
  CategoryTree tree;
  buildDefaultTree(tree, settings.general.defaultPath);
  MessageLoop loop(clock);
  ProgressView view(stdout, false);
  CliHost host(view, tree, runSettings.proxies, false);
  CookieJar jar(CookieJar::defaultPath(), clock);
  ControllerRunner runner(
      loop, host, clock, [](RoleRecord& role) { runRoleWorker(role); },
      [&](const JobRecord& job) { return runConfigFor(runSettings, settings, job); });
  runner.setCookieLookup([&jar](const std::string& url) { return jar.cookiesFor(url); });
  ProgramTransfer transfer;
  QueueMonitor monitor(runner, host, transfer, clock, runSettings.monitor);
  runner.setTransfer(&transfer);
  host.onJobEnded = [&](JobRecord& job, bool complete) {
    if (complete) monitor.jobEndedByItself();
    log.write({{"event", "done"},
               {"url", job.url},
               {"file", job.saveDir + "/" + job.fileName},
               {"complete", complete}});
  };

  HeadlessWindow window(log, tree, settings, monitor);
  HandOffReceiver receiver(window, settings.general);
  ControlServer server(loop, [&](const ControlRequest& request) {
    ControlReply reply;
    if (!receiver.handle(request, reply))
      reply = ControlReply{request.kind == kControlRaise ? 1 : 0, {}};
    log.write({{"event", "request"}, {"kind", request.kind}, {"answer", reply.result}});
    return reply;
  });
  std::string error;
  if (server.listen(controlSocketPath(), &error) != ControlServer::Listen::Listening) {
    std::fprintf(stderr, "capture_test_receiver: %s\n", error.c_str());
    return 1;
  }
  log.write({{"event", "listening"}, {"pid", ::getpid()}});

  TickWindow ticks(loop, monitor, runner);
  loop.setTimer(&ticks, kMonitorTimerId, 1000);
  loop.watchFd(g_signalPipe[0], POLLIN, [&](int fd, short) {
    char buf[16];
    while (::read(fd, buf, sizeof buf) > 0) {
    }
    server.close();
    ticks.end();
  });
  loop.run();
  loop.unwatchFd(g_signalPipe[0]);
  return 0;
}

}  // namespace
}  // namespace fw

int main() {
  return fw::run();
}

// The desktop program's window thread under load: 20 jobs download from a local server
// while the real main window shows them (the queue with the first job in the panes), and
// every second the CPU time the window thread spent in that second is taken: the queue
// monitor's tick, the job controllers' ticks and their Roles' requests and log lines, the
// list's model updates and the repaint. Prints the median, the 99th percentile and the
// largest.
//
//   FETCHWRIGHT_HOME=DIR gui_tick_bench BASE-URL [SECONDS] [JOBS]
// BASE-URL serves BASE-URL/file0.bin ... ; run on an X display (Xvfb).

#include <time.h>

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "engine/net/tls_functions.h"
#include "engine/role/role_worker.h"
#include "store/job_operations.h"
#include "ui/main_window/loop_driver.h"
#include "ui/main_window/main_window.h"
#include "ui/panes/job_list_model.h"

namespace {

double threadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: gui_tick_bench BASE-URL [SECONDS] [JOBS]\n");
    return 2;
  }
  QApplication app(argc, argv);
  const std::string base = argv[1];
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
  const int jobs = argc > 3 ? std::atoi(argv[3]) : 20;

  fw::loadTlsLibraries();
  fw::DesktopSession::Options options;
  options.roleEntry = [](fw::RoleRecord& role) { fw::runRoleWorker(role); };
  fw::DesktopSession session(options);
  session.loadSettings();
  session.settings().connection.simuRole = static_cast<uint32_t>(jobs);
  session.settingsChanged();
  fw::MainWindow window(session);
  fw::LoopDriver driver(session.loop());
  std::string error;
  if (!session.openStartupDatabase("", nullptr, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  window.startUp();
  fw::JobContext ctx = session.jobContext();
  for (int i = 0; i < jobs; ++i) {
    fw::AddJobRequest req;
    req.url = base + "/file" + std::to_string(i) + ".bin";
    req.startMode = fw::kStartImmediately;
    req.splitCount = 4;
    fw::addJob(ctx, req);
  }
  window.selectJobs({window.jobModel().jobAt(0)});

  std::vector<double> perSecond;
  int runningAtEnd = 0;
  double last = threadCpuMs();
  QTimer sampler;
  sampler.setInterval(1000);
  QObject::connect(&sampler, &QTimer::timeout, [&] {
    double now = threadCpuMs();
    perSecond.push_back(now - last);
    runningAtEnd = static_cast<int>(session.monitor().running().size());
    last = now;
    if (static_cast<int>(perSecond.size()) >= seconds) {
      sampler.stop();
      // The shut-down without questions; it quits the application.
      window.quitQuietly();
    }
  });
  // The first seconds open the connections: measured from the third second on.
  QTimer::singleShot(2000, [&] {
    last = threadCpuMs();
    sampler.start();
  });
  app.exec();

  std::sort(perSecond.begin(), perSecond.end());
  auto at = [&](double q) {
    size_t i = static_cast<size_t>(q * static_cast<double>(perSecond.size() - 1) + 0.5);
    return perSecond[std::min(i, perSecond.size() - 1)];
  };
  std::printf("seconds %zu, jobs running %d\n", perSecond.size(), runningAtEnd);
  std::printf("window thread CPU per second: median %.2f ms, p99 %.2f ms, max %.2f ms\n", at(0.5),
              at(0.99), perSecond.back());
  window.quitQuietly();
  fw::unloadTlsLibraries();
  return 0;
}

// fetchwright: the desktop download manager.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <string>

#include "engine/net/tls_functions.h"
#include "engine/role/role_worker.h"
#include "platform/control_kinds.h"
#include "platform/control_socket.h"
#include "ui/common/icons.h"
#include "ui/dialogs/small_dialogs.h"
#include "ui/main_window/desktop_session.h"
#include "ui/main_window/loop_driver.h"
#include "ui/main_window/main_window.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
  char b = 1;
  ssize_t n = write(g_signalPipe[1], &b, 1);
  (void)n;
}

// A second start asks the running program to show its window. True when it answered.
bool raiseRunningCopy(const std::string& socket) {
  fw::ControlReply reply;
  return fw::controlCall(socket, fw::ControlRequest{fw::kControlRaise, {}}, reply, 5000) ==
         fw::ControlCall::Answered;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string socket = fw::controlSocketPath();
  // Before anything of our own exists: the first copy keeps its window, this one ends.
  if (raiseRunningCopy(socket)) return 0;

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Fetchwright"));
  QApplication::setApplicationVersion(QStringLiteral(FW_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("fetchwright"));
  QApplication::setWindowIcon(fw::icon(fw::Icon::App));
  // The window may live in the tray; only the shut-down ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  signal(SIGPIPE, SIG_IGN);

  fw::DesktopSession::Options options;
  options.roleEntry = [](fw::RoleRecord& role) { fw::runRoleWorker(role); };
  fw::DesktopSession session(options);

  std::string error;
  switch (session.listenControl(socket, &error)) {
    case fw::ControlServer::Listen::Listening:
      break;
    case fw::ControlServer::Listen::AlreadyOwned:
      // Another copy is starting at this moment; it answers once its loop runs.
      for (int i = 0; i < 10; ++i)
        if (raiseRunningCopy(socket)) return 0;
      std::fprintf(stderr, "fetchwright: another copy holds %s but does not answer\n",
                   socket.c_str());
      return 1;
    case fw::ControlServer::Listen::Failed:
      // The program runs without its socket: a second start then opens a second window.
      std::fprintf(stderr, "fetchwright: cannot serve %s: %s\n", socket.c_str(), error.c_str());
      break;
  }

  fw::loadTlsLibraries();
  session.loadSettings();
  fw::MainWindow window(session);
  session.control().add(fw::kControlRaise, [&window](const fw::ControlRequest&) {
    window.raiseWindow();
    return fw::ControlReply{1, {}};
  });
  fw::LoopDriver driver(session.loop());

  fw::BackupChooserDialog chooser;
  std::string argument = argc > 1 ? argv[1] : "";
  if (!session.openStartupDatabase(argument, &chooser, &error)) {
    std::fprintf(stderr, "fetchwright: %s\n", error.c_str());
    return 1;
  }
  window.startUp();

  // SIGTERM and SIGINT (a session ending, kill, Ctrl-C) shut down without questions.
  std::unique_ptr<QSocketNotifier> signals;
  if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signals = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(signals.get(), &QSocketNotifier::activated, &window, [&window] {
      char buf[16];
      while (read(g_signalPipe[0], buf, sizeof buf) > 0) {
      }
      window.quitQuietly();
    });
  }

  int code = app.exec();
  session.shutdown(true);
  fw::unloadTlsLibraries();
  return code;
}

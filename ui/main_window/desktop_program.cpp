#include "ui/main_window/desktop_program.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/net/tls_functions.h"
#include "platform/control_dispatch.h"
#include "platform/control_kinds.h"
#include "platform/control_socket.h"
#include "platform/paths.h"
#include "store/url_list.h"
#include "ui/common/icons.h"
#include "ui/common/qt_message_boxes.h"
#include "ui/common/qt_sound_player.h"
#include "ui/dialogs/small_dialogs.h"
#include "ui/main_window/capture_wiring.h"
#include "ui/main_window/command_line_urls.h"
#include "ui/main_window/desktop_session.h"
#include "ui/main_window/loop_driver.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/program_arguments.h"

namespace fw {

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
  char b = 1;
  ssize_t n = write(g_signalPipe[1], &b, 1);
  (void)n;
}

// A second start asks the running program to show its window, or to take the URLs it was
// given. -1 when no copy answered; otherwise this start's exit code.
int handToRunningCopy(const std::string& socket, const std::vector<std::string>& urls) {
  ControlRequest request{kControlRaise, {}};
  if (!urls.empty()) request = ControlRequest{kControlOfferUrls, encodeUrlList(urls)};
  // A copy that is still opening its database answers every kind as unknown until it
  // serves them: the URLs would be lost, so they are offered again for a while.
  for (int attempt = 0; attempt < 50; ++attempt) {
    ControlReply reply;
    if (controlCall(socket, request, reply, 5000) != ControlCall::Answered) return -1;
    if (urls.empty() || reply.result != kControlUnknownKind) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  std::fprintf(stderr, "fetchwright: the running copy did not take the URLs\n");
  return 1;
}

}  // namespace

int runDesktopProgram(int argc, char** argv, RoleEntry roleEntry) {
  const ProgramArguments args =
      parseProgramArguments(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
  switch (args.action) {
    case ProgramArguments::Action::Run:
      break;
    case ProgramArguments::Action::Help:
      std::fputs(programUsage().c_str(), stdout);
      std::printf("\nProgram data (browser extension, sounds, manual): %s\n", shareDir().c_str());
      return 0;
    case ProgramArguments::Action::Version:
      std::printf("fetchwright %s\n", FW_VERSION);
      return 0;
    case ProgramArguments::Action::Bad:
      std::fprintf(stderr, "fetchwright: %s\n%s", args.error.c_str(), programUsage().c_str());
      return 2;
  }
  const std::string socket = controlSocketPath();
  // Before anything of our own exists: the first copy keeps its window, this one ends.
  if (int code = handToRunningCopy(socket, args.urls); code >= 0) return code;

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Fetchwright"));
  QApplication::setApplicationVersion(QStringLiteral(FW_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("fetchwright"));
  QApplication::setWindowIcon(icon(Icon::App));
  // The window may live in the tray; only the shut-down ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  signal(SIGPIPE, SIG_IGN);

  DesktopSession::Options options;
  options.roleEntry = std::move(roleEntry);
  QtSoundPlayer sounds;  // outlives the session that plays through it
  DesktopSession session(options);

  std::string error;
  switch (session.listenControl(socket, &error)) {
    case ControlServer::Listen::Listening:
      break;
    case ControlServer::Listen::AlreadyOwned:
      // Another copy is starting at this moment; it answers once its loop runs.
      for (int i = 0; i < 10; ++i)
        if (int code = handToRunningCopy(socket, args.urls); code >= 0) return code;
      std::fprintf(stderr, "fetchwright: another copy holds %s but does not answer\n",
                   socket.c_str());
      return 1;
    case ControlServer::Listen::Failed:
      // The program runs without its socket: a second start then opens a second window.
      std::fprintf(stderr, "fetchwright: cannot serve %s: %s\n", socket.c_str(), error.c_str());
      break;
  }

  loadTlsLibraries();
  session.loadSettings();
  MainWindow window(session);
  LoopDriver driver(session.loop());

  BackupChooserDialog chooser;
  if (!session.openStartupDatabase(args.database, &chooser, &error)) {
    std::fprintf(stderr, "fetchwright: %s\n", error.c_str());
    QtMessageBoxes boxes;
    boxes.show(error, BoxIcon::Stop, BoxButtons::Ok);
    return 2;
  }
  session.usePowerControl();
  if (!session.useDialup(&error))
    std::fprintf(stderr, "fetchwright: dial-up is off: %s\n", error.c_str());
  session.useUpdateCheck();
  session.services().sounds = &sounds;
  window.startUp();
  // Every request kind the program serves, in one place (the capture hand-off adds its
  // kinds here too). Until now a request got the unknown-kind answer: a second start
  // still ends, and no URL is taken before the database is open.
  session.control().add(kControlRaise, [&window](const ControlRequest&) {
    window.raiseWindow();
    return ControlReply{1, {}};
  });
  session.control().add(kControlAddUrls,
                        [&session](const ControlRequest& r) { return session.handInRequest(r); });
  CaptureWiring capture(session, window);
  capture.serve();
  registerBrowserCapture();
  session.control().add(kControlOfferUrls, [&session, &window](const ControlRequest& r) {
    return offerUrlsRequest(session, window, r);
  });
  offerStartupUrls(window, args.urls);

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
  unloadTlsLibraries();
  return code;
}

}  // namespace fw

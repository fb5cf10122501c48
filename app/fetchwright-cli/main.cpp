// fetchwright-cli: downloads the URLs given on the command line.

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "cli/cli_options.h"
#include "engine/net/tls_functions.h"
#include "engine/role/role_worker.h"

namespace {

int g_signalPipe[2] = {-1, -1};
volatile sig_atomic_t g_signals = 0;

void onSignal(int) {
  // The second Ctrl-C ends the program at once.
  if (g_signals != 0) _exit(130);
  g_signals = 1;
  char b = 1;
  ssize_t n = write(g_signalPipe[1], &b, 1);
  (void)n;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  fw::CliParseResult parsed = fw::parseCliOptions(args);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "fetchwright-cli: %s\n", parsed.error.c_str());
    return fw::kExitUsage;
  }

  fw::CliEnvironment env;
  env.terminal = isatty(STDOUT_FILENO) == 1;
  winsize ws{};
  if (env.terminal && ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
    env.width = ws.ws_col;
  // Tests save more often than every ten seconds.
  if (const char* every = getenv("FETCHWRIGHT_SAVE_INTERVAL")) {
    int n = atoi(every);
    if (n > 0) env.progressSaveSeconds = n;
  }
  env.roleEntry = [](fw::RoleRecord& role) { fw::runRoleWorker(role); };

  if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    env.signalFd = g_signalPipe[0];
  }
  signal(SIGPIPE, SIG_IGN);
  // HTTPS needs the TLS libraries; without them HTTP and FTP still work.
  fw::loadTlsLibraries();
  int code = fw::runCli(parsed.options, env);
  fw::unloadTlsLibraries();
  return code;
}

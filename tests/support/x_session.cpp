#include "support/x_session.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "support/temp_dir.h"

extern char** environ;

namespace fw::test {

namespace {

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

bool waitFor(const std::function<bool()>& check, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (check()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

Child::~Child() {
  if (m_pid > 0 && !m_done) {
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
  }
}

bool Child::start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                  const std::string& logPath) {
  m_log = logPath;
  std::vector<std::string> a = argv, e = env;
  std::vector<char*> cargv, cenv;
  for (auto& s : a) cargv.push_back(s.data());
  cargv.push_back(nullptr);
  for (auto& s : e) cenv.push_back(s.data());
  cenv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  posix_spawn_file_actions_adddup2(&fa, 1, 2);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  int r = posix_spawn(&m_pid, a[0].c_str(), &fa, nullptr, cargv.data(), cenv.data());
  posix_spawn_file_actions_destroy(&fa);
  if (r != 0) m_pid = -1;
  return m_pid > 0;
}

int Child::poll() {
  if (m_done) return m_code;
  if (m_pid <= 0) return -1;
  int status = 0;
  if (::waitpid(m_pid, &status, WNOHANG) != m_pid) return -1;
  m_done = true;
  m_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return m_code;
}

int Child::wait(int ms) {
  int code = -1;
  waitFor([&] { return (code = poll()) >= 0; }, ms);
  return code;
}

void Child::signal(int sig) {
  if (m_pid > 0 && !m_done) ::kill(m_pid, sig);
}

std::string Child::output() const {
  return readFileText(m_log);
}

XSession::XSession() {
  static int counter = 0;
  m_logDir = "/tmp/fw-x-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  ::mkdir(m_logDir.c_str(), 0700);
}

XSession::~XSession() {
  stop();
  for (const char* f : {"/xvfb.log", "/wm.log", "/tray.log"}) ::unlink((m_logDir + f).c_str());
  ::rmdir(m_logDir.c_str());
}

bool XSession::start(bool windowManager, bool trayHost) {
  std::string xvfb = findBinary("Xvfb");
  if (xvfb.empty()) {
    m_error = "Xvfb missing";
    return false;
  }
  // A display number nobody uses: tests of other programs run beside this one.
  for (int attempt = 0; attempt < 20; ++attempt) {
    int n = 200 + (::getpid() * 7 + attempt * 13) % 700;
    std::string sock = "/tmp/.X11-unix/X" + std::to_string(n);
    if (exists(sock) || exists("/tmp/.X" + std::to_string(n) + "-lock")) continue;
    m_display = ":" + std::to_string(n);
    m_xvfb.start({xvfb, m_display, "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"},
                 m_logDir + "/xvfb.log");
    if (waitFor([&] { return !m_xvfb.running() || run({"xdpyinfo"}, 2000).code == 0; }, 15000) &&
        m_xvfb.running())
      break;
    m_xvfb.stop();
    m_display.clear();
  }
  if (m_display.empty()) {
    m_error = "no X display could be started";
    return false;
  }
  auto helper = [&](ServerProcess& p, const std::string& name, std::vector<std::string> args,
                    const std::string& log) {
    std::string bin = findBinary(name);
    if (bin.empty()) {
      m_error = name + " missing";
      return false;
    }
    args.insert(args.begin(), bin);
    std::vector<std::string> argv{"/usr/bin/env", "DISPLAY=" + m_display};
    argv.insert(argv.end(), args.begin(), args.end());
    return p.start(argv, m_logDir + log);
  };
  if (windowManager) {
    if (!helper(m_wm, "openbox", {"--sm-disable"}, "/wm.log")) return false;
    // The manager owns the screen once it holds the WM_S0 selection.
    if (!waitFor(
            [&] {
              return run({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).out.find("window id") !=
                     std::string::npos;
            },
            15000)) {
      m_error = "openbox did not come up";
      return false;
    }
  }
  if (trayHost) {
    if (!helper(m_tray, "trayer",
                {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
                 "--SetDockType", "true"},
                "/tray.log"))
      return false;
    if (!waitFor(
            [&] {
              return run({"xwininfo", "-root", "-tree"}).out.find("\"panel\"") != std::string::npos;
            },
            15000)) {
      m_error = "trayer did not come up";
      return false;
    }
  }
  return true;
}

void XSession::stop() {
  m_tray.stop();
  m_wm.stop();
  m_xvfb.stop();
}

std::vector<std::string> XSession::environment(const std::vector<std::string>& extra) const {
  std::vector<std::string> env{"DISPLAY=" + m_display, "PATH=/usr/bin:/bin",
                               "HOME=" + std::string(getenv("HOME") ? getenv("HOME") : "/tmp")};
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS"})
    if (const char* v = getenv(name)) env.push_back(std::string(name) + "=" + v);
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

ToolResult XSession::run(const std::vector<std::string>& argv, int timeoutMs) {
  ToolResult result;
  std::string bin = findBinary(argv[0]);
  if (bin.empty()) return result;
  std::string log = m_logDir + "/tool-" + std::to_string(::getpid()) + ".out";
  ::unlink(log.c_str());
  Child c;
  std::vector<std::string> a = argv;
  a[0] = bin;
  if (!c.start(a, environment({}), log)) return result;
  result.code = c.wait(timeoutMs);
  if (result.code < 0) c.signal(SIGKILL);
  result.out = c.output();
  ::unlink(log.c_str());
  return result;
}

std::vector<std::string> XSession::visibleWindows(const std::string& title) {
  std::vector<std::string> ids;
  std::istringstream in(run({"xdotool", "search", "--onlyvisible", "--name", title}).out);
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos)
      ids.push_back(line);
  return ids;
}

bool XSession::hidden(const std::string& id) {
  return run({"xprop", "-id", id, "_NET_WM_STATE"}).out.find("_NET_WM_STATE_HIDDEN") !=
         std::string::npos;
}

bool XSession::viewable(const std::string& id) {
  return run({"xwininfo", "-id", id}).out.find("IsViewable") != std::string::npos;
}

bool XSession::trayIconAt(const std::string& wmClass, int& x, int& y) {
  // A line of "xwininfo -root -tree" reads:
  //   0x60000d "Fetchwright": ("fetchwright" "Fetchwright")  22x22+0+0  +1257+1
  // and the tray icon is the small window of the class inside the tray host's panel.
  std::istringstream in(run({"xwininfo", "-root", "-tree"}).out);
  bool inPanel = false;
  size_t panelIndent = 0;
  for (std::string line; std::getline(in, line);) {
    size_t indent = line.find_first_not_of(' ');
    if (indent == std::string::npos) continue;
    if (line.find("\"panel\"") != std::string::npos) {
      inPanel = true;
      panelIndent = indent;
      continue;
    }
    if (inPanel && indent <= panelIndent) inPanel = false;
    if (!inPanel || line.find("(\"" + wmClass + "\"") == std::string::npos) continue;
    size_t abs = line.rfind(" +");
    if (abs == std::string::npos) continue;
    if (std::sscanf(line.c_str() + abs + 2, "%d+%d", &x, &y) != 2) continue;
    size_t dims = line.find(")  ");
    int w = 0, h = 0;
    if (dims != std::string::npos) std::sscanf(line.c_str() + dims + 3, "%dx%d", &w, &h);
    x += w / 2;
    y += h / 2;
    return true;
  }
  return false;
}

}  // namespace fw::test

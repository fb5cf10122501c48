#pragma once
// A private X display for end-to-end tests of the desktop program: Xvfb on a free display
// number, optionally a window manager (openbox, for real close requests and minimising)
// and a tray host (trayer), each stopped at the end; and the tools the tests drive the
// display with (xdotool, xwininfo, xprop), run with that display.
//
// Thread safety: one owner thread.

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "support/server_process.h"

namespace fw::test {

// A program run with its own environment, its output in a file.
class Child {
 public:
  Child() = default;
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // `env` is the whole environment ("NAME=value"). False when it could not be started.
  bool start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
             const std::string& logPath);
  // The exit code once it has ended (128 + signal when killed), else -1 without waiting.
  int poll();
  // Waits up to `ms`; the exit code, or -1 when it still runs.
  int wait(int ms);
  void signal(int sig);
  pid_t pid() const { return m_pid; }
  std::string output() const;

 private:
  pid_t m_pid = -1;
  bool m_done = false;
  int m_code = -1;
  std::string m_log;
};

struct ToolResult {
  int code = -1;
  std::string out;
};

class XSession {
 public:
  XSession();
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  // Starts the display and the helpers asked for. False with error() set (a missing
  // binary is named there).
  bool start(bool windowManager, bool trayHost);
  void stop();
  const std::string& display() const { return m_display; }
  const std::string& error() const { return m_error; }

  // Runs `argv` with this display and waits for it (at most `timeoutMs`).
  ToolResult run(const std::vector<std::string>& argv, int timeoutMs = 10000);
  // The environment a program started on this display gets, plus `extra`.
  std::vector<std::string> environment(const std::vector<std::string>& extra) const;

  // X windows whose title contains `title` and that are mapped ("xdotool search
  // --onlyvisible"), as decimal ids.
  std::vector<std::string> visibleWindows(const std::string& title);
  // Whether window `id` has _NET_WM_STATE_HIDDEN (minimised or hidden by the manager).
  bool hidden(const std::string& id);
  // Whether window `id` is mapped and viewable.
  bool viewable(const std::string& id);
  // The screen position of the tray icon window of class `wmClass`, or false.
  bool trayIconAt(const std::string& wmClass, int& x, int& y);

 private:
  std::string m_display;
  std::string m_error;
  std::string m_logDir;
  ServerProcess m_xvfb;
  ServerProcess m_wm;
  ServerProcess m_tray;
};

// Calls `check` every 50 ms until it is true or `timeoutMs` passed; its last answer.
bool waitFor(const std::function<bool()>& check, int timeoutMs);

}  // namespace fw::test

#pragma once
// Starting and stopping real server programs for integration tests: locating the
// binary, picking a free port on 127.0.0.1 or ::1, waiting until the server answers, and
// killing it (with its process group) at the end.

#include <sys/types.h>
#include <string>
#include <vector>

namespace fw::test {

// Full path of `name` found on PATH, /usr/sbin, /sbin, /usr/local/sbin; empty when absent.
std::string findBinary(const std::string& name);

// True when the environment variable CI is set (missing server binaries must fail there).
bool runningInCi();

// A free TCP port on `address` (127.0.0.1 or ::1) at the time of the call (bound and
// released); -1 when none could be had there.
int freeTcpPort(const std::string& address = "127.0.0.1");

// Tries to connect to `address`:port until it succeeds or `timeoutMs` passes.
bool waitForTcpPort(int port, int timeoutMs = 10000, const std::string& address = "127.0.0.1");

// One child process. The child gets its own process group so that stop() also ends its
// children (daemons that fork workers). stdout and stderr go to `logPath` when given.
// Thread safety: one owner thread.
class ServerProcess {
 public:
  ServerProcess() = default;
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // argv[0] is the program path. False when fork or exec failed (exec failure is seen
  // as an early exit: check running()).
  bool start(const std::vector<std::string>& argv, const std::string& logPath = "",
             const std::string& workDir = "");
  // SIGTERM to the group, then SIGKILL after `graceMs`; reaps the child. Safe to repeat.
  void stop(int graceMs = 3000);
  // Still alive (not exited)?
  bool running();
  pid_t pid() const { return m_pid; }
  // The command line, for failure messages.
  std::string describe() const;

 private:
  pid_t m_pid = -1;
  std::vector<std::string> m_argv;
};

}  // namespace fw::test

// Looks a server binary up; when missing the test fails under CI and is skipped
// otherwise. Leaves the path in `var`.
#define FW_REQUIRE_BINARY(var, name)                                                 \
  std::string var = ::fw::test::findBinary(name);                                    \
  do {                                                                               \
    if (var.empty()) {                                                               \
      if (::fw::test::runningInCi()) FAIL() << "server binary missing: " << (name);  \
      GTEST_SKIP() << "server binary missing: " << (name) << " (install it to run)"; \
    }                                                                                \
  } while (0)

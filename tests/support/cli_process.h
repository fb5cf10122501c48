#pragma once
// Runs the built fetchwright-cli as a user runs it, with its own FETCHWRIGHT_HOME and its
// output captured in a file.

#include <sys/types.h>

#include <string>
#include <vector>

namespace fw::test {

extern const std::string kCli;

// Thread safety: one owner thread.
class CliProcess {
 public:
  // `saveInterval` is the periodic save's interval in seconds; empty keeps the program's own.
  CliProcess(const std::string& home, std::vector<std::string> args,
             const std::string& saveInterval = "1");
  ~CliProcess();
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  // Exit code, -1 when it did not end within `seconds` (it is then killed), or 128 + signal.
  int wait(int seconds = 120);
  // The exit code when it has ended, else -1 without waiting.
  int poll();
  void signal(int sig);
  std::string output() const;
  bool started() const { return m_pid > 0; }

 private:
  std::string m_log;
  pid_t m_pid = -1;
  bool m_done = false;
  int m_code = -1;
};

}  // namespace fw::test

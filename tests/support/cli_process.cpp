#include "support/cli_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/temp_dir.h"

namespace fw::test {

const std::string kCli = std::string(FW_BINARY_DIR) + "/app/fetchwright-cli/fetchwright-cli";

CliProcess::CliProcess(const std::string& home, std::vector<std::string> args,
                       const std::string& saveInterval)
    : m_log(home + "/cli.log") {
  std::vector<std::string> argv{kCli};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  // Saves every second, so that kills land after several saves of a running job.
  std::vector<std::string> envs{"FETCHWRIGHT_HOME=" + home, "PATH=/usr/bin:/bin"};
  if (!saveInterval.empty()) envs.push_back("FETCHWRIGHT_SAVE_INTERVAL=" + saveInterval);
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "TSAN_OPTIONS"})
    if (const char* v = getenv(name)) envs.push_back(std::string(name) + "=" + v);
  std::vector<char*> cenv;
  for (auto& e : envs) cenv.push_back(e.data());
  cenv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, m_log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&fa, 1, 2);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  if (posix_spawn(&m_pid, kCli.c_str(), &fa, nullptr, cargv.data(), cenv.data()) != 0) m_pid = -1;
  posix_spawn_file_actions_destroy(&fa);
}

CliProcess::~CliProcess() {
  if (m_pid > 0 && !m_done) {
    ::kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }
}

int CliProcess::poll() {
  if (m_done) return m_code;
  if (m_pid <= 0) return -1;
  int st = 0;
  if (waitpid(m_pid, &st, WNOHANG) != m_pid) return -1;
  m_done = true;
  m_code = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  return m_code;
}

int CliProcess::wait(int seconds) {
  for (int i = 0; i < seconds * 20; ++i) {
    int code = poll();
    if (m_done) return code;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return -1;
}

void CliProcess::signal(int sig) {
  ::kill(m_pid, sig);
}

std::string CliProcess::output() const {
  return readFileText(m_log);
}

}  // namespace fw::test

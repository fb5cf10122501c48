#include "support/server_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/socket.h"

namespace fw::test {

namespace {
bool isExecutable(const std::string& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.c_str(), X_OK) == 0;
}

}  // namespace

std::string findBinary(const std::string& name) {
  if (name.find('/') != std::string::npos) return isExecutable(name) ? name : "";
  std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  path += ":/usr/sbin:/sbin:/usr/local/sbin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    std::string dir = path.substr(start, end - start);
    if (!dir.empty() && isExecutable(dir + "/" + name)) return dir + "/" + name;
    start = end + 1;
  }
  return "";
}

bool runningInCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && *ci != '\0';
}

int freeTcpPort(const std::string& address) {
  sockaddr_storage a{};
  socklen_t len = 0;
  if (!makeSocketAddress(address, 0, a, len)) return -1;
  int fd = ::socket(a.ss_family, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  int port = -1;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), len) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
    port = ntohs(a.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&a)->sin6_port
                                         : reinterpret_cast<sockaddr_in*>(&a)->sin_port);
  }
  ::close(fd);
  return port;
}

bool waitForTcpPort(int port, int timeoutMs, const std::string& address) {
  sockaddr_storage a{};
  socklen_t len = 0;
  if (!makeSocketAddress(address, static_cast<uint16_t>(port), a, len)) return false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    int fd = ::socket(a.ss_family, SOCK_STREAM, 0);
    if (fd < 0) return false;
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), len) == 0;
    ::close(fd);
    if (ok) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

ServerProcess::~ServerProcess() {
  stop();
}

bool ServerProcess::start(const std::vector<std::string>& argv, const std::string& logPath,
                          const std::string& workDir) {
  if (argv.empty() || m_pid > 0) return false;
  m_argv = argv;
  std::vector<char*> args;
  for (const auto& a : m_argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    ::setpgid(0, 0);
    int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0) ::dup2(devnull, 0);
    if (!logPath.empty()) {
      int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
      if (log >= 0) {
        ::dup2(log, 1);
        ::dup2(log, 2);
      }
    }
    if (!workDir.empty() && ::chdir(workDir.c_str()) != 0) ::_exit(126);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::setpgid(pid, pid);  // also from the parent, so stop() works even before the child runs
  m_pid = pid;
  return true;
}

bool ServerProcess::running() {
  if (m_pid <= 0) return false;
  int status = 0;
  pid_t r = ::waitpid(m_pid, &status, WNOHANG);
  if (r == m_pid) {
    m_pid = -1;
    return false;
  }
  return true;
}

void ServerProcess::stop(int graceMs) {
  if (m_pid <= 0) return;
  ::kill(-m_pid, SIGTERM);
  ::kill(m_pid, SIGTERM);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
  int status = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
      ::kill(-m_pid, SIGKILL);  // leftovers of the group, if any
      m_pid = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(-m_pid, SIGKILL);
  ::kill(m_pid, SIGKILL);
  ::waitpid(m_pid, &status, 0);
  m_pid = -1;
}

std::string ServerProcess::describe() const {
  std::string s;
  for (const auto& a : m_argv) s += (s.empty() ? "" : " ") + a;
  return s;
}

}  // namespace fw::test

#include "capture/module/program_link.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

namespace fw {

namespace {

bool isExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string installPrefix() {
  std::string share = shareDir();
  const std::string tail = "/share/fetchwright";
  if (share.size() >= tail.size() &&
      share.compare(share.size() - tail.size(), tail.size(), tail) == 0)
    return share.substr(0, share.size() - tail.size());
  return "/usr/local";
}

std::string installedProgramPath(const EnvLookup& env) {
  std::string given = env("FETCHWRIGHT_PROGRAM");
  if (!given.empty()) return given;
  std::string beside = executableFolder() + "/fetchwright";
  if (isExecutableFile(beside)) return beside;
  return installPrefix() + "/bin/fetchwright";
}

bool startDetached(const std::string& path) {
  posix_spawn_file_actions_t files;
  posix_spawnattr_t attr;
  if (posix_spawn_file_actions_init(&files) != 0) return false;
  if (posix_spawnattr_init(&attr) != 0) {
    posix_spawn_file_actions_destroy(&files);
    return false;
  }
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr,
                           POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = -1;
  int rc = posix_spawn(&pid, path.c_str(), &files, &attr, argv, environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&files);
  return rc == 0;
}

ProgramCall callProgram(const ProgramLink& link, const ControlRequest& request,
                        ControlReply& reply) {
  auto call = [&] {
    return link.call ? link.call(link.socketPath, request, reply, link.callTimeoutMs)
                     : controlCall(link.socketPath, request, reply, link.callTimeoutMs);
  };
  auto outcome = [](ControlCall c) {
    return c == ControlCall::Answered ? ProgramCall::Answered : ProgramCall::Failed;
  };
  ControlCall c = call();
  if (c != ControlCall::NoServer) return outcome(c);
  bool started = link.start ? link.start(link.programPath) : startDetached(link.programPath);
  if (!started) return ProgramCall::NotRunning;
  for (int i = 0; i < link.startTries; ++i) {
    c = call();
    if (c != ControlCall::NoServer) return outcome(c);
    link.clock->sleepMs(link.retryMs);
  }
  return ProgramCall::NotRunning;
}

}  // namespace fw

#pragma once
// fetchwright-cli from start to end: settings, the job database, the jobs named on the
// command line (or the unfinished ones with --resume), the queue run on the message
// loop until each of them has ended, and the exit code.

#include <cstdio>
#include <string>

#include "cli/cli_options.h"
#include "jobs/job_controller.h"
#include "platform/clock.h"

namespace fw {

inline constexpr int kExitAllComplete = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

struct CliEnvironment {
  std::FILE* out = stdout;
  std::FILE* err = stderr;
  bool terminal = false;  // out is a terminal: live progress lines
  int width = 100;
  Clock* clock = nullptr;  // the real clock when null
  RoleEntry roleEntry;     // runs one Role on its thread
  // Seconds between the database saves made while jobs progress.
  int progressSaveSeconds = 10;
  // A descriptor that becomes readable on SIGINT/SIGTERM (one byte per signal); -1 none.
  int signalFd = -1;
};

// Runs the program; returns its exit code.
int runCli(const CliOptions& options, CliEnvironment& env);

}  // namespace fw

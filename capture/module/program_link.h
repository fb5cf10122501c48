#pragma once
// How the capture module reaches the running program: a request over the program's control
// socket. When nothing listens there, the installed program is started and the request is
// tried again a bounded number of times.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/clock.h"
#include "platform/control_socket.h"
#include "platform/paths.h"

namespace fw {

// <prefix> of shareDir() = <prefix>/share/fetchwright.
std::string installPrefix();

// The program the capture module starts: $FETCHWRIGHT_PROGRAM when set (tests), else
// "fetchwright" beside the running executable when it is there (the host is installed
// beside the program), else <install prefix>/bin/fetchwright.
std::string installedProgramPath(const EnvLookup& env = processEnv());

// Starts `path` (no arguments) in a session of its own with standard input and output on
// /dev/null, so that it outlives the caller and never writes into a browser's pipe. The
// environment is passed on. False when it could not be started. Any thread.
bool startDetached(const std::string& path);

struct ProgramLink {
  std::string socketPath = controlSocketPath();
  std::string programPath = installedProgramPath();
  // Time for one request's answer. The browser's download waits meanwhile.
  int64_t callTimeoutMs = 10000;
  // After starting the program: this many more requests, `retryMs` apart.
  int startTries = 10;
  int retryMs = 200;
  Clock* clock = &Clock::system();
  // Replaceable for tests; empty: startDetached and controlCall.
  std::function<bool(const std::string& path)> start;
  std::function<ControlCall(const std::string& path, const ControlRequest&, ControlReply&,
                            int64_t timeoutMs)>
      call;
};

enum class ProgramCall {
  Answered,    // `reply` holds the program's answer
  NotRunning,  // not running, and it could not be started or did not answer in time
  Failed,      // it is there but the request failed or timed out
};

// Sends `request`; when no program listens, starts it once and retries (bounded above).
// Blocking; any thread.
ProgramCall callProgram(const ProgramLink& link, const ControlRequest& request,
                        ControlReply& reply);

}  // namespace fw

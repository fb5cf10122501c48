#pragma once
// The desktop program from start to end: the single-instance test on the control socket
// (a running copy is asked to raise its window and this one ends with 0), the settings,
// the owned job database, the main window, the control requests the program serves, and
// the shut-down without questions on SIGTERM or SIGINT. Returns the exit code: 0, or 2
// when the job database is owned by another process (after saying so), 1 when no
// database can be had.
//
// Main thread only; call once.

#include "jobs/job_controller.h"

namespace fw {

int runDesktopProgram(int argc, char** argv, RoleEntry roleEntry);

}  // namespace fw

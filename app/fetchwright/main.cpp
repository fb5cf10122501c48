// fetchwright: the desktop download manager (ui/main_window/desktop_program.h).

#include "engine/role/role_worker.h"
#include "ui/main_window/desktop_program.h"

int main(int argc, char** argv) {
  return fw::runDesktopProgram(argc, argv, [](fw::RoleRecord& role) { fw::runRoleWorker(role); });
}

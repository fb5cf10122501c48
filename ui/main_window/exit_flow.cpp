#include "ui/main_window/exit_flow.h"

namespace fw {

ExitPlan planExit(const ExitState& state, bool exitCommand, MessageBoxes& boxes,
                  SavePathAsker& saver) {
  ExitPlan plan;
  if (state.jobsRunning && state.confirmRunning &&
      boxes.show(kJobsRunningQuestion, BoxIcon::Question, BoxButtons::YesNo) != kBoxYes)
    return plan;
  if (state.untitled &&
      boxes.show(kSaveUntitledQuestion, BoxIcon::Question, BoxButtons::YesNo) == kBoxYes) {
    std::string path = saver.askSavePath(exitCommand ? kDefaultFileName : kUntitledFileName);
    if (path.empty()) return plan;
    plan.saveUntitledTo = withDatabaseExtension(path);
  }
  plan.close = true;
  return plan;
}

std::string withDatabaseExtension(const std::string& path) {
  size_t slash = path.find_last_of('/');
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ".npd";
  return path;
}

}  // namespace fw

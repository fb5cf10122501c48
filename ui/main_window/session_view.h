#pragma once
// What the running program shows: the category tree and job list (TreeView) plus the
// job rows, the Role tree, the detail and log panes, notices and the title. The main
// window implements it; tests and a window-less session use the defaults, which show
// nothing.
//
// Main thread only.

#include <string>

#include "jobs/dialing_window.h"
#include "jobs/end_of_work.h"
#include "store/tree_view.h"

namespace fw {

class SessionView : public TreeView {
 public:
  // `job`'s row changed (progress, state image, name, counts).
  virtual void jobChanged(JobRecord& /*job*/) {}
  // `job` is about to be freed: forget it everywhere.
  virtual void jobForgotten(JobRecord& /*job*/) {}
  // The job shown in the Role tree and the detail and log panes.
  virtual bool isShownJob(const JobRecord& /*job*/) { return false; }
  virtual void roleTreeCleared(JobRecord& /*job*/) {}
  virtual void roleNodeAdded(JobRecord& /*job*/, int /*roleNo*/) {}
  virtual void roleNodeRemoved(JobRecord& /*job*/, int /*roleNo*/) {}
  virtual void detailRefresh(JobRecord& /*job*/) {}
  virtual void logLineAdded(JobRecord& /*job*/, int /*roleNo*/, const std::string& /*line*/) {}
  // A run ended.
  virtual void jobEnded(JobRecord& /*job*/, bool /*complete*/) {}
  // The job database was replaced: every job and category is new.
  virtual void databaseReplaced() {}

  virtual void notice(const std::string& /*text*/) {}
  virtual void setTitle(const std::string& /*title*/) {}
  virtual void showOverallSpeed(const std::string& /*text*/) {}
  // After each tick of the queue monitor: repaint what runs.
  virtual void ticked() {}
  // The all-done countdown starts: its window, or nullptr to run it unseen.
  virtual EndOfWorkView* openCountdownView(EndOfWorkCountdown& /*countdown*/) { return nullptr; }
  // The countdown ended with OK: what it asks of the window.
  virtual void endOfWorkSave() {}
  virtual void powerOffFailed(const std::string& /*why*/) {}
  virtual void endOfWorkClose() {}
  // A second start of the program asked for the window.
  virtual void raiseWindow() {}
  // A dial starts: the Dialing window's view (shown, not run modally), or nullptr to dial
  // unseen.
  virtual DialingView* openDialingView(DialingWindow& /*window*/) { return nullptr; }
  // Connect/Disconnect without a dial-up entry chosen: the options on their dial-up page.
  virtual void openDialUpOptions() {}
  // The automatic update check found a newer version: offer the download page.
  virtual void offerNewerVersion() {}
};

}  // namespace fw

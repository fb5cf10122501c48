#pragma once
// What the category tree and the job list on screen do when the tree or a list
// changes. The GUI implements it; the command-line program and the tests may leave
// every member at its default (nothing is on screen).
//
// Main thread only.

#include <string>

#include "records/job_record.h"

namespace fw {

class TreeView {
 public:
  virtual ~TreeView() = default;
  // Rebuild the category tree view, keeping expanded categories expanded.
  virtual void rebuildTree() {}
  // The category whose jobs the job list shows, or null.
  virtual CategoryRecord* shownCategory() { return nullptr; }
  virtual void showCategory(CategoryRecord& /*cat*/) {}
  // `job` was linked into the shown category: insert its row (start-mode image,
  // "0/%d" in "Num", name, URL, comment).
  virtual void rowInserted(JobRecord& /*job*/) {}
  // `job` is about to leave the shown category's list.
  virtual void rowRemoved(JobRecord& /*job*/) {}
  // Clear the Role tree selection and refresh the whole job list.
  virtual void refreshJobList() {}
  virtual void playSound(const std::string& /*path*/) {}
};

}  // namespace fw

#pragma once
// Saving the open job database while jobs run. A running job's counters run ahead of its
// file by what its Roles hold in their receive buffers and what the write cache holds, so
// the copy written for it (its stand-in) claims only what is on disk: the counters are
// read under the job's locks with the buffered bytes left out, then the cache is flushed
// and the file synced before the database is written. Every job with a run counts, a
// stopped one whose Roles are still ending too: its Roles write it until they have.
//
// A save that does not refresh writes each running job's stand-in of the last refreshing
// save again (or the record as its run started): it claimed no more than was on disk then,
// and a job ending beside nine others need not flush and sync nine files.
//
// Main thread only.

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "store/category_tree.h"

namespace fw {

class JobController;

class RunningSave {
 public:
  using ControllerOf = std::function<JobController*(const JobRecord&)>;

  // A run of `job` is about to be prepared: until a refreshing save it is written as it
  // is now.
  void runStarting(const JobRecord& job);
  // `job`'s run has ended, or the job is about to be freed: it is written from its record.
  void runEnded(const JobRecord& job);
  void clear() { m_written.clear(); }

  // The whole file for `tree`, standing in for each job whose controller (`controllerOf`,
  // null for none) is running. With `refreshRunning` the stand-ins are taken anew. False
  // (nothing to write) when a running job's cache cannot be written: nothing of its run
  // can then be claimed, and the live record, which its Roles are writing, is no stand-in.
  bool encode(const CategoryTree& tree, const ControllerOf& controllerOf, bool refreshRunning,
              std::string& out);

 private:
  std::map<const JobRecord*, std::unique_ptr<JobRecord>> m_written;
};

}  // namespace fw

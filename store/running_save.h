#pragma once
// Saving the open job database while jobs run. A running job's counters run ahead of its
// file by what its Roles hold in their receive buffers and what the write cache holds, so
// the copy written for it claims only what is on disk: the counters are read under the
// job's locks with the buffered bytes left out, then the cache is flushed and the file
// synced before the database is written. Every job with a run counts, a stopped one whose
// Roles are still ending too: its Roles write it until they have.
//
// Main thread only.

#include <functional>
#include <string>

#include "platform/atomic_file.h"
#include "store/category_tree.h"

namespace fw {

class JobController;

// Writes `tree` to `path` as saveJobDatabase does, standing in for each job whose
// controller (`controllerOf`, null for none) is running. 1 saved; 0 not written, also
// when a running job's cache cannot be written: nothing of its run can then be claimed,
// and the live record, which its Roles are writing, is no stand-in, so the file keeps
// what it said before until a later save.
int saveDatabaseWhileRunning(const std::string& path, const CategoryTree& tree,
                             const std::function<JobController*(const JobRecord&)>& controllerOf,
                             const AtomicWriteOptions& options = {});

}  // namespace fw

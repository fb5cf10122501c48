#pragma once
// Saving the open job database while jobs run. A running job's counters run ahead of its
// file by what its Roles hold in their receive buffers and what the write cache holds, so
// the copy written for it claims only what is on disk: the counters are read under the
// job's locks with the buffered bytes left out, then the cache is flushed and the file
// synced before the database is written. A job whose cache cannot be written is saved
// from its record as the write failure left it (engine/storage/cache_writer.h).
//
// Main thread only.

#include <functional>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "store/category_tree.h"

namespace fw {

class JobController;

// Writes `tree` to `path` as saveJobDatabase does, standing in for each job of
// `running` whose controller (`controllerOf`) is running. 1 saved, 0 not written.
int saveDatabaseWhileRunning(const std::string& path, const CategoryTree& tree,
                             const std::vector<JobRecord*>& running,
                             const std::function<JobController*(const JobRecord&)>& controllerOf,
                             const AtomicWriteOptions& options = {});

}  // namespace fw

#pragma once
// Deleting the selected jobs (the "&Delete" command): into the "Deleted" category, or,
// in "Deleted" or with Shift held, for good after the permanent-delete confirmation with
// its two check boxes. Widget-free: the questions come through MessageBoxes and a
// PermanentDeleteAsker.
//
// Main thread only.

#include <functional>
#include <vector>

#include "store/job_operations.h"

namespace fw {

inline constexpr const char* kDeleteRunningQuestion =
    "Are you sure you want to delete downloading job(s)?";
inline constexpr const char* kPermanentDeleteQuestion =
    "Are you sure you wish to permanently delete these item(s)?";

struct PermanentDeleteChoice {
  bool ok = false;
  bool deleteDownloaded = false;   // "Delete downloaded file"
  bool deleteUncompleted = false;  // "Delete &uncompleted file"
};

class PermanentDeleteAsker {
 public:
  virtual ~PermanentDeleteAsker() = default;
  virtual PermanentDeleteChoice askPermanentDelete() = 0;
};

enum class DeleteOutcome { Nothing, Cancelled, MovedToDeleted, Removed };

struct DeleteRequest {
  std::vector<JobRecord*> jobs;  // the selection, in list order
  bool shownIsDeleted = false;   // the list shows "Deleted"
  bool shift = false;            // Shift was held
};

// What removing a job for good needs besides the context: ending its run and freeing
// its record (the program releases the job's controller and unlinks it from the tree),
// and deleting its files (engine/storage/target_file.h's deleteJobFile).
struct DeleteHooks {
  std::function<void(JobRecord&)> destroy;
  std::function<int(const JobRecord&, bool completed, bool uncompleted)> deleteFiles;
};

// Nothing selected: Nothing. Running jobs among them: "Are you sure you want to delete
// downloading job(s)?" (No: Cancelled). Then for good (Removed, after the confirmation;
// Cancel: Cancelled) or into "Deleted" (MovedToDeleted). Running jobs are stopped and
// every job leaves the queues first. The list is refreshed afterwards.
DeleteOutcome deleteJobs(JobContext& ctx, const DeleteRequest& request, PermanentDeleteAsker& asker,
                         const DeleteHooks& hooks);

}  // namespace fw

#include "ui/main_window/delete_flow.h"

#include "jobs/queue_hooks.h"
#include "platform/message_box.h"
#include "store/tree_view.h"

namespace fw {

DeleteOutcome deleteJobs(JobContext& ctx, const DeleteRequest& request, PermanentDeleteAsker& asker,
                         const DeleteHooks& hooks) {
  if (request.jobs.empty()) return DeleteOutcome::Nothing;
  int downloading = 0;
  for (const JobRecord* job : request.jobs) downloading += job->activeRoles > 0 ? 1 : 0;
  if (downloading > 0 && ctx.boxes &&
      ctx.boxes->show(kDeleteRunningQuestion, BoxIcon::Question, BoxButtons::YesNo) != kBoxYes)
    return DeleteOutcome::Cancelled;

  const bool forGood = request.shownIsDeleted || request.shift;
  PermanentDeleteChoice choice;
  if (forGood) {
    choice = asker.askPermanentDelete();
    if (!choice.ok) return DeleteOutcome::Cancelled;
  }
  for (JobRecord* job : request.jobs) {
    if (ctx.queue) {
      // A Role must never write into a record that is moved or freed under it.
      if (job->activeRoles > 0) ctx.queue->stopJob(*job);
      ctx.queue->removeFromQueues(*job);
    }
    if (forGood) {
      if (hooks.deleteFiles && (choice.deleteDownloaded || choice.deleteUncompleted))
        hooks.deleteFiles(*job, choice.deleteDownloaded, choice.deleteUncompleted);
      if (hooks.destroy) hooks.destroy(*job);
    } else {
      moveJob(ctx, *job, kCategoryDeleted, false);
    }
  }
  if (ctx.view) ctx.view->refreshJobList();
  return forGood ? DeleteOutcome::Removed : DeleteOutcome::MovedToDeleted;
}

}  // namespace fw

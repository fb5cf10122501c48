#pragma once
// What the category tree and the job operations ask of the queue monitor. The queue
// monitor implements it; tests record the calls.
//
// Main thread only.

#include "records/job_record.h"

namespace fw {

class QueueHooks {
 public:
  virtual ~QueueHooks() = default;
  // StartJob: runs `job` when a slot is free, else puts it in the start queue.
  virtual void startJob(JobRecord& job) = 0;
  // Puts `job` on the schedule list unless it is already there.
  virtual void addToSchedule(JobRecord& job) = 0;
  // Takes `job` off the schedule list and out of the start queue.
  virtual void removeFromQueues(JobRecord& job) = 0;
  // Stops a running `job` (the user's stop) and returns once it no longer runs.
  virtual void stopJob(JobRecord& job) = 0;
  // Forgets every job: the tree they live in is about to be freed.
  virtual void clearAll() = 0;
};

}  // namespace fw

#pragma once
// What the HTTP exchange routines need to reach the Role's job: the Role (its channel
// to the controller, its clock, stop event and range) and the job record with the two
// locks that guard it. The job controller fills one per Role; tests fill it with a
// local JobRecord and their own locks.

#include <mutex>

#include "engine/base/role_record.h"
#include "platform/sync.h"
#include "records/job_record.h"

namespace fw {

struct RoleJobAccess {
  RoleRecord* role = nullptr;
  JobRecord* job = nullptr;
  Lock* jobLock = nullptr;   // guards job fields other than `downloaded`; null: unguarded
  Lock* sizeLock = nullptr;  // guards `downloaded`; null: unguarded

  // Runs `fn` with the job lock held (when there is one).
  template <typename Fn>
  auto underJobLock(Fn&& fn) const {
    std::unique_lock<Lock> guard;
    if (jobLock) guard = std::unique_lock<Lock>(*jobLock);
    return fn(*job);
  }
  template <typename Fn>
  auto underSizeLock(Fn&& fn) const {
    std::unique_lock<Lock> guard;
    if (sizeLock) guard = std::unique_lock<Lock>(*sizeLock);
    return fn(*job);
  }
};

}  // namespace fw

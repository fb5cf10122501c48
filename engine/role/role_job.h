#pragma once
// What the Roles of one running job share with each other and with the job's
// controller: the job record, its storage (the four job locks, the open target file,
// the write cache and the speed ring; engine/job_storage.h), the job's own UrlParts,
// the run's settings, the retry counter and the controller flags a Role reads. The
// controller owns it for the whole run.
//
// Threads: `job`, `storage`, `settings`, `dial`, `program` and `cookies` are set by the
// controller before a run's first Role starts and stay fixed while any runs. `target` is
// read and written under storage->recordLock by the Roles (Role 1 writes it back, every
// Role copies it at its start). The atomics need no lock.

#include <atomic>
#include <cstdint>

#include "engine/base/dial_line.h"
#include "engine/base/role_settings.h"
#include "engine/http/browser_cookies.h"
#include "engine/storage/bandwidth_budget.h"
#include "engine/storage/job_storage.h"
#include "engine/url/url_parts.h"
#include "records/job_record.h"

namespace fw {

namespace ctlflags {
inline constexpr uint32_t kSecondRequested = 0x01;
inline constexpr uint32_t kFlowing = 0x20;    // data is flowing: elapsed time counts
inline constexpr uint32_t kErrorStop = 0x40;  // stop the job on its first error
}  // namespace ctlflags

struct RoleJob {
  JobRecord* job = nullptr;
  JobStorage* storage = nullptr;
  UrlParts target;  // the job's parsed URL; written back by Role 1 once the file is fetchable
  RoleSettings settings;
  DialLine* dial = nullptr;
  ProgramTransfer* program = nullptr;  // program-wide budget and speed ring
  CookieLookup cookies;                // the cookie jar's answer for a URL; empty: none

  std::atomic<uint32_t> ctlFlags{0};
  std::atomic<uint32_t> retryCount{0};
  std::atomic<uint8_t> transferStartedSent{0};  // Role 1's CtlTransferStarted, once per run
  std::atomic<uint8_t> growSent{0};             // Role 2's CtlGrowToSplit, once per run
  // The FTP Roles' own flag word (ftpctl bits of engine/role_ftp_steps.h). Kept apart from
  // ctlFlags because both use bit 0x01 for different things.
  std::atomic<uint32_t> ftpFlags{0};
};

}  // namespace fw

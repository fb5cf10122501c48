#pragma once
// One connection of a running job: the record a Role worker thread runs on.
//
// engine/base: what every part of a Role shares: its record, the control codes and text
// buffers of its channel to the controller, its settings and the dial-up line it waits
// for. Uses engine/url and the platform.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "engine/base/proxy_record.h"
#include "engine/url/url_parts.h"
#include "platform/clock.h"
#include "platform/sync.h"
#include "records/job_record.h"

namespace fw {

class JobController;
struct RoleJob;
struct RoleRecord;

// What a Role needs from its controller: the synchronous control request (message
// 0x0BE0 with a command code) and its log lines (message 0x0BDC). The job controller
// implements it over the message loop; tests implement it directly.
// Thread safety: called from the Role's own thread.
class RoleChannel {
 public:
  virtual ~RoleChannel() = default;
  // Sends command `code` with argument `arg`; returns the controller's result.
  virtual intptr_t control(RoleRecord& role, uint32_t code, intptr_t arg) = 0;
  // Appends one log line of `kind` (LogKind) to the Role's log.
  virtual void log(RoleRecord& role, int kind, const std::string& text) = 0;
};

// Threads: the Role's own thread and the main thread (its controller) share the record.
//   set by the controller before the thread starts, then fixed:
//       thread, controller, channel, shared, clock, roleNo, log
//   main thread only: done, next, lookup
//   the Role's own; the main thread reads or fills them only while this Role waits in a
//   synchronous request (CtlGetProxy, CtlGetNamedProxy):
//       target, errorCount, proxy, proxyFetched, lastSocketError, connectedAddress
//   atomics, any thread: outcome (the controller's stop code in, the Role's result out),
//       speed (shown once a second, compared by CtlAssignRange), startSecond (read by
//       CtlAssignRange to find a stalled Role), lookupState
//   progress lock of the job's storage: `range` (the pointer: written by the Role, and by
//       the controller in CtlAssignRange; the controller reads every Role's pointer; the
//       Role reads its own without the lock, as only it or a request it waits on writes
//       it) and what it points to, and `unstored`
//   lookupAddresses: cleared by the main thread when it starts a look-up for the waiting
//       Role, filled before it stores lookupState 1, read by the Role after it has loaded 1
struct RoleRecord {
  std::thread* thread = nullptr;
  JobController* controller = nullptr;
  RoleChannel* channel = nullptr;  // how this Role reaches its controller
  RoleJob* shared = nullptr;       // the job's data shared by its Roles (engine/role_job.h)
  Clock* clock = nullptr;          // the clock every wait of this Role uses
  uint8_t roleNo = 0;
  RoleLog* log = nullptr;
  Event stopEvent{Event::Reset::Auto};
  std::atomic<int32_t> outcome{0};
  uint8_t done = 0;
  PartRange* range = nullptr;
  UrlParts target;
  uint16_t errorCount = 0;
  std::atomic<uint32_t> startSecond{0};
  std::atomic<uint32_t> speed{0};
  ProxyRecord proxy;
  uint8_t proxyFetched = 0;
  RoleRecord* next = nullptr;
  uint64_t lookup = 0;      // pending host look-up id; 0 = none
  int lastSocketError = 0;  // errno of the last failed socket call of this Role
  // Bytes counted in `range->start` and the job's `downloaded` that are still in this
  // Role's receive buffer, not yet handed to the write cache. Guarded by the job's
  // progress lock, so that a save can leave them out: they are not on disk.
  int64_t unstored = 0;
  // Host look-up answer, filled on the controller's thread before it wakes the Role.
  std::atomic<int> lookupState{0};           // 0 pending, 1 resolved, -1 failed
  std::vector<std::string> lookupAddresses;  // every address once resolved, in trying order
  // The address the Role's last connection reached (its server's or its proxy's).
  std::string connectedAddress;
};

}  // namespace fw

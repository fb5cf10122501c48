#pragma once
// Host names of a Role's connections are looked up by its job controller's window: the
// Role asks with CtlLookupHost, the controller starts the look-up on its thread, the
// answer arrives there as message kMsgHostLookup, and the controller stores it in the
// Role and wakes the Role through its stop event.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/role_record.h"
#include "platform/host_lookup.h"
#include "platform/message_loop.h"

namespace fw {

// The argument of CtlLookupHost.
struct HostLookupRequest {
  RoleRecord* role = nullptr;
  std::string host;
};

// Controller side, for its CtlLookupHost handler (window thread): starts the look-up
// answered to window `windowId` as kMsgHostLookup, keeps its id in the Role's `lookup`
// and returns the id (> 0), or 0 for a request without a Role.
intptr_t serveHostLookupRequest(MessageLoop& loop, uint64_t windowId,
                                const HostLookupRequest& request);

// Controller side, for its kMsgHostLookup handler (window thread): finds the Role of
// list `roles` (linked by `next`) whose pending look-up is `w`, stores the answer
// (`lookupState` 1 with `lookupAddresses`, or -1), sets its stop code to 16 or 17 unless a
// stop request is already waiting there, wakes it and clears `lookup`. A late answer
// (no such Role, or the Role cancelled) is dropped. Returns 1 when a Role was woken.
LResult serveHostLookupAnswer(RoleRecord* roles, WParam w, LParam l);

// Role side (the Role's thread): the addresses to connect to for `host`, in the order
// to try them. An IPv4 or IPv6 address (with or without brackets) is used as it is.
// Otherwise the controller is asked and the Role waits in 49 ms slices, at most
// `timeoutMs`. Results: 1 with `addresses` (never empty); 0 when the name could not be
// resolved (in time), after logging "Cannot resolve host name" and "Error occured!";
// the Role's stop code when it was stopped (the look-up is cancelled).
int resolveHostForRole(RoleRecord& role, const std::string& host,
                       std::vector<std::string>& addresses, int64_t timeoutMs);

}  // namespace fw

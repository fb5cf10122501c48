#pragma once
// A Role's socket calls: the platform socket layer waited on the Role's clock and stop
// event, with the stop result turned into the Role's stop code (`outcome`) and every
// failing call's errno recorded in `lastSocketError` for the log.
// Called on the Role's own thread only.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/base/role_record.h"

namespace fw {

// The clock this Role waits on (the system clock when none was given).
Clock& roleClock(RoleRecord& role);

// 1 when exactly `count` bytes were read; -9 time-out; -10 the peer closed; -1 (the wait
// failed) or 0 (recv failed) with the errno in `errorOut`; the Role's stop code when its
// stop event was signalled. Each wait for more bytes may last `timeoutMs`.
int RecvExact(int& errorOut, int socket, void* buffer, size_t count, RoleRecord& role,
              int64_t timeoutMs);

// Bytes read (> 0, at most `capacity`) once some arrived; otherwise as RecvExact.
int RecvSome(int& errorOut, int socket, void* buffer, size_t capacity, RoleRecord& role,
             int64_t timeoutMs);

// `count` when everything was sent; negative on failure (-1 send failed, -9 the peer
// took nothing for `timeoutMs`, or the Role's stop code).
int SendAll(int socket, const void* buffer, size_t count, RoleRecord& role,
            int64_t timeoutMs = 90000);

// Non-blocking connect waited in 50 ms slices for at most `timeoutMs`: 1 connected;
// 0 refused or failed (errno in `errorOut`); -9 no answer; the Role's stop code.
int ConnectSocket(int& errorOut, int socket, const std::string& address, uint16_t port,
                  RoleRecord& role, int64_t timeoutMs);

// Connects to the first of `addresses` that answers (platform/connect_race.h: a new
// attempt every 250 ms or after a failure, all within `timeoutMs`), calling
// `onAttempt` with each address as its attempt starts. `socket` comes in as the Role's
// fresh socket and leaves as the connected one, or -1. Results: 1 connected, with
// `reached` the winning address; 0 every address failed (the last errno in `errorOut`
// and `lastSocketError`); -9 none answered in time; the Role's stop code.
int ConnectFirst(int& errorOut, int& socket, const std::vector<std::string>& addresses,
                 uint16_t port, RoleRecord& role, int64_t timeoutMs,
                 const std::function<void(const std::string&)>& onAttempt, std::string& reached);

}  // namespace fw

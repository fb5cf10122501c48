#pragma once
// Waiting on, connecting, sending and receiving over a non-blocking socket in slices
// of 50 ms that test a stop event between slices, so a stop request is seen within one
// slice. Time is measured on the given Clock: with the system clock each slice waits in
// poll(); with any other clock (FakeClock in tests) the socket is polled without
// blocking and the slice is spent on the clock, so long time-outs pass at once.
//
// Results follow the transfer engine's codes; kNetStopped means the stop event was
// signalled (its auto-reset signal is consumed) and the caller returns its stop code.
// Error numbers are errno values. Any thread; each call uses only its own arguments.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/sync.h"

namespace fw {

inline constexpr int kNetStopped = -1000;
inline constexpr int kNetSliceMs = 50;

enum class SocketWait { Ready, TimedOut, Stopped, Failed };

// Waits until `fd` is ready for `events` (POLLIN, POLLOUT); an error or hang-up on the
// socket also counts as ready (the next call on it reports it). A time-out of 50 ms or
// less is one slice. Failed: poll() failed, errno in `errorOut`.
SocketWait waitSocket(int fd, short events, Clock& clock, Event& stop, int64_t timeoutMs,
                      int& errorOut);

// Connects `fd` (non-blocking, of the address's family) to `address:port`, the address
// an IPv4 or IPv6 text. 1 connected; 0 refused or failed (errno in `errorOut`); -9 no
// answer within `timeoutMs`; kNetStopped.
int connectSocket(int fd, const std::string& address, uint16_t port, Clock& clock, Event& stop,
                  int64_t timeoutMs, int& errorOut);

// Reads exactly `count` bytes. 1 done; -9 no data for `timeoutMs` (each wait for more
// bytes gets the full time); -10 the peer closed; -1 the wait failed or 0 recv failed,
// errno in `errorOut`; kNetStopped.
int recvExact(int& errorOut, int fd, void* buffer, size_t count, Clock& clock, Event& stop,
              int64_t timeoutMs);

// Reads what is there, at most `capacity` bytes, after waiting for some. The byte count
// (> 0); otherwise the codes of recvExact.
int recvSome(int& errorOut, int fd, void* buffer, size_t capacity, Clock& clock, Event& stop,
             int64_t timeoutMs);

// Sends all `count` bytes, waiting while the send buffer is full. `count` when done;
// -1 send failed (errno in `errorOut`); -9 the socket stayed full for `timeoutMs`;
// kNetStopped. Never raises SIGPIPE.
int sendAll(int& errorOut, int fd, const void* buffer, size_t count, Clock& clock, Event& stop,
            int64_t timeoutMs);

}  // namespace fw

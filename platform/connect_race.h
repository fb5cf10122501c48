#pragma once
// Connecting to a host that has several addresses (IPv6 and IPv4): the attempts start
// one after another in the given order, each new one when the one before has not
// connected within a stagger delay (250 ms) or has failed, and run side by side until
// one connects (RFC 8305, "Happy Eyeballs"). Waits in slices of at most 50 ms that test
// a stop event, on the given Clock as socket_io.h does. Any thread; each call uses only
// its own arguments.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/sync.h"

namespace fw {

inline constexpr int kConnectStaggerMs = 250;

struct ConnectRace {
  std::vector<std::string> addresses;  // IPv4 or IPv6 texts, tried in this order
  uint16_t port = 0;
  int64_t timeoutMs = 0;  // for the whole race
  int staggerMs = kConnectStaggerMs;
  // Called as each attempt starts, with the index of its address.
  std::function<void(size_t)> onAttempt;
};

// Runs the race. `fd` may hold a fresh socket (createStreamSocket) that the first
// attempt of its address family uses; every other attempt gets a socket of its own.
// Results: 1 connected, `fd` the connected socket (non-blocking, with the options of
// createStreamSocket) and `winner` the index of its address; 0 every attempt failed,
// with the errno of the last failure in `errorOut` (EINVAL when no address could be
// used at all); -9 none connected within the time-out; kNetStopped when the stop event
// was signalled. Apart from the winner, no socket is left open (a given `fd` that was
// not used is closed too and set to -1 unless it won).
int connectFirst(const ConnectRace& race, Clock& clock, Event& stop, int& fd, size_t& winner,
                 int& errorOut);

// RFC 8305's order: the family of the first address first, then the families taking
// turns, each family's addresses in their given order ("a6 b6 c4" -> "a6 c4 b6").
std::vector<std::string> interleaveFamilies(const std::vector<std::string>& addresses);

}  // namespace fw

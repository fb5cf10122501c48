#pragma once
// Asynchronous host-name look-up answered to a window: getaddrinfo (IPv6 and IPv4) runs
// on a helper thread and its answer is posted to the asking window as a message, the way
// the program's controller windows expect it (wParam = the look-up id, lParam = 0 when
// resolved, a non-zero error otherwise). Cancelling means a late answer is dropped.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/message_loop.h"

namespace fw {

using LookupId = uint64_t;  // never 0

// Starts looking `host` up and returns its id at once. When done, posts `msg` to
// window `windowId` of `loop` unless the look-up was cancelled first. Any thread.
LookupId startHostLookup(MessageLoop& loop, uint64_t windowId, MessageId msg,
                         const std::string& host);

enum class LookupAnswer { Resolved, Failed, Unknown };

// Takes the answer of a finished look-up (once): Resolved with every address of the
// host in `addresses` (IPv6 without brackets, IPv4 dotted; no address twice) in the
// order to try them: the system's preference (RFC 6724), then the families taking
// turns (interleaveFamilies); Failed; Unknown when the id was cancelled, already taken
// or never existed. Any thread (normally the window's, on the answer message).
LookupAnswer takeHostLookupAnswer(LookupId id, std::vector<std::string>& addresses);

// The same look-up done at once on the calling thread: every address of `host` in the
// order above, empty when it has none.
std::vector<std::string> resolveHostAddresses(const std::string& host);

// Drops the look-up: no message will be posted for it after this returns and its answer
// is forgotten. Harmless for unknown ids. Any thread.
void cancelHostLookup(LookupId id);

// Cancels every look-up (before the message loop goes away at shut-down).
void cancelAllHostLookups();

// Look-ups whose helper thread has not finished yet (for tests and shut-down).
int runningHostLookups();

}  // namespace fw

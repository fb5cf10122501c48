#include "engine/net/host_resolve.h"

#include "engine/base/control_codes.h"
#include "engine/net/role_net.h"
#include "engine/url/host_text.h"
#include "platform/socket.h"

namespace fw {

namespace {
constexpr size_t kMaxHostName = 1023;
constexpr int kLookupSliceMs = 49;
constexpr int32_t kLookupResolved = 16;
constexpr int32_t kLookupFailed = 17;

int failLookup(RoleRecord& role) {
  role.channel->log(role, kLogError, "Cannot resolve host name");
  role.channel->log(role, kLogError, "Error occured!");
  return 0;
}
}  // namespace

intptr_t serveHostLookupRequest(MessageLoop& loop, uint64_t windowId,
                                const HostLookupRequest& request) {
  if (request.role == nullptr) return 0;
  RoleRecord& role = *request.role;
  role.lookupState = 0;
  role.lookupAddresses.clear();
  role.lookup = startHostLookup(loop, windowId, kMsgHostLookup, request.host);
  return static_cast<intptr_t>(role.lookup);
}

LResult serveHostLookupAnswer(RoleRecord* roles, WParam w, LParam l) {
  const LookupId id = static_cast<LookupId>(w);
  RoleRecord* role = roles;
  while (role != nullptr && role->lookup != id) role = role->next;
  std::vector<std::string> addresses;
  LookupAnswer answer = takeHostLookupAnswer(id, addresses);
  if (role == nullptr || id == 0) return 0;
  role->lookup = 0;
  if (answer == LookupAnswer::Unknown) return 0;  // the Role gave up on it
  bool ok = answer == LookupAnswer::Resolved && l == 0;
  if (ok)
    role->lookupAddresses = std::move(addresses);
  else
    role->lookupAddresses.clear();
  role->lookupState = ok ? 1 : -1;
  // A stop request written before the answer came must survive the wake-up.
  if (role->outcome.load() >= 0) role->outcome = ok ? kLookupResolved : kLookupFailed;
  role->stopEvent.set();
  return 1;
}

int resolveHostForRole(RoleRecord& role, const std::string& given,
                       std::vector<std::string>& addresses, int64_t timeoutMs) {
  const std::string host(unbracketedHost(given));
  if (isDottedIPv4(host) || isNumericIPv6(host)) {
    addresses = {host};
    return 1;
  }
  if (host.empty() || host.size() > kMaxHostName) return failLookup(role);
  // A stop that is already waiting needs no look-up (and leaves no answer in flight).
  if (role.stopEvent.tryWait()) return role.outcome.load();
  role.lookupState = 0;
  HostLookupRequest request{&role, host};
  const intptr_t id =
      role.channel->control(role, CtlLookupHost, reinterpret_cast<intptr_t>(&request));
  if (id <= 0) return failLookup(role);
  Clock& clock = roleClock(role);
  for (int64_t waited = 0; waited < timeoutMs; waited += kLookupSliceMs) {
    if (!clock.waitEvent(role.stopEvent, kLookupSliceMs)) continue;
    int state = role.lookupState.load();
    int32_t code = role.outcome.load();
    if (state == 0 || code < 0) {
      cancelHostLookup(static_cast<LookupId>(id));
      return code;
    }
    if (state < 0 || role.lookupAddresses.empty()) return failLookup(role);
    addresses = role.lookupAddresses;
    return 1;
  }
  cancelHostLookup(static_cast<LookupId>(id));
  return failLookup(role);
}

}  // namespace fw

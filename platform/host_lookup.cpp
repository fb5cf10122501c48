#include "platform/host_lookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <map>
#include <mutex>
#include <thread>

namespace fw {

namespace {
struct Pending {
  bool finished = false;
  bool resolved = false;
  std::string address;
};

struct Registry {
  std::mutex mutex;
  std::map<LookupId, Pending> entries;  // absent = cancelled or taken
  LookupId nextId = 1;
  int running = 0;
};

Registry& registry() {
  static Registry* r = new Registry;  // outlives detached helper threads at exit
  return *r;
}

// Dotted form of the first IPv4 address of `host`; empty when it has none.
std::string resolveIPv4(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || list == nullptr) return "";
  char text[INET_ADDRSTRLEN] = {};
  const auto* sin = reinterpret_cast<const sockaddr_in*>(list->ai_addr);
  std::string out = ::inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text) ? text : "";
  ::freeaddrinfo(list);
  return out;
}
}  // namespace

LookupId startHostLookup(MessageLoop& loop, uint64_t windowId, MessageId msg,
                         const std::string& host) {
  Registry& r = registry();
  LookupId id;
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    id = r.nextId++;
    r.entries[id] = Pending{};
    ++r.running;
  }
  std::thread([&loop, windowId, msg, host, id] {
    std::string address = resolveIPv4(host);
    Registry& reg = registry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    --reg.running;
    auto it = reg.entries.find(id);
    if (it == reg.entries.end()) return;  // cancelled: the loop may be gone, touch nothing
    it->second.finished = true;
    it->second.resolved = !address.empty();
    it->second.address = address;
    // Posting under the lock makes cancelHostLookup a barrier: once it returned, this
    // thread can no longer reach the loop.
    if (!loop.postTo(windowId, msg, static_cast<WParam>(id), address.empty() ? EAI_NONAME : 0))
      reg.entries.erase(it);
  }).detach();
  return id;
}

LookupAnswer takeHostLookupAnswer(LookupId id, std::string& address) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.entries.find(id);
  if (it == r.entries.end() || !it->second.finished) return LookupAnswer::Unknown;
  LookupAnswer a = it->second.resolved ? LookupAnswer::Resolved : LookupAnswer::Failed;
  address = it->second.address;
  r.entries.erase(it);
  return a;
}

void cancelHostLookup(LookupId id) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.entries.erase(id);
}

void cancelAllHostLookups() {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.entries.clear();
}

int runningHostLookups() {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.running;
}

}  // namespace fw

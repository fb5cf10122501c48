#include "platform/host_lookup.h"

#include "platform/connect_race.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <thread>

namespace fw {

namespace {
struct Pending {
  bool finished = false;
  std::vector<std::string> addresses;
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
    std::vector<std::string> addresses = resolveHostAddresses(host);
    Registry& reg = registry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    --reg.running;
    auto it = reg.entries.find(id);
    if (it == reg.entries.end()) return;  // cancelled: the loop may be gone, touch nothing
    it->second.finished = true;
    const bool none = addresses.empty();
    it->second.addresses = std::move(addresses);
    // Posting under the lock makes cancelHostLookup a barrier: once it returned, this
    // thread can no longer reach the loop.
    if (!loop.postTo(windowId, msg, static_cast<WParam>(id), none ? EAI_NONAME : 0))
      reg.entries.erase(it);
  }).detach();
  return id;
}

LookupAnswer takeHostLookupAnswer(LookupId id, std::vector<std::string>& addresses) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.entries.find(id);
  if (it == r.entries.end() || !it->second.finished) return LookupAnswer::Unknown;
  addresses = std::move(it->second.addresses);
  r.entries.erase(it);
  return addresses.empty() ? LookupAnswer::Failed : LookupAnswer::Resolved;
}

std::vector<std::string> resolveHostAddresses(const std::string& host) {
  addrinfo hints{};
  // No AI_ADDRCONFIG: it drops IPv6 where only the loopback has it, and "localhost" may
  // be nowhere else. An address that cannot be reached fails fast in the race.
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || list == nullptr) return {};
  std::vector<std::string> out;
  for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
    char text[INET6_ADDRSTRLEN] = {};
    const void* bytes = nullptr;
    if (a->ai_family == AF_INET)
      bytes = &reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr;
    else if (a->ai_family == AF_INET6)
      bytes = &reinterpret_cast<const sockaddr_in6*>(a->ai_addr)->sin6_addr;
    if (bytes == nullptr || ::inet_ntop(a->ai_family, bytes, text, sizeof text) == nullptr)
      continue;
    if (std::find(out.begin(), out.end(), text) == out.end()) out.emplace_back(text);
  }
  ::freeaddrinfo(list);
  return interleaveFamilies(out);
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

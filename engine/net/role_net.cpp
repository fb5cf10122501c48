#include "engine/net/role_net.h"

#include "platform/connect_race.h"
#include "platform/socket_io.h"

namespace fw {

namespace {
int finish(RoleRecord& role, int result, int errorOut, bool failed) {
  if (result == kNetStopped) return role.outcome.load();
  if (failed && errorOut != 0) role.lastSocketError = errorOut;
  return result;
}
}  // namespace

Clock& roleClock(RoleRecord& role) {
  return role.clock ? *role.clock : Clock::system();
}

int RecvExact(int& errorOut, int socket, void* buffer, size_t count, RoleRecord& role,
              int64_t timeoutMs) {
  int err = 0;
  int r = recvExact(err, socket, buffer, count, roleClock(role), role.stopEvent, timeoutMs);
  if (r == 0 || r == -1) errorOut = err;
  return finish(role, r, err, r == 0 || r == -1);
}

int RecvSome(int& errorOut, int socket, void* buffer, size_t capacity, RoleRecord& role,
             int64_t timeoutMs) {
  int err = 0;
  int r = recvSome(err, socket, buffer, capacity, roleClock(role), role.stopEvent, timeoutMs);
  if (r == 0 || r == -1) errorOut = err;
  return finish(role, r, err, r == 0 || r == -1);
}

int SendAll(int socket, const void* buffer, size_t count, RoleRecord& role, int64_t timeoutMs) {
  int err = 0;
  int r = sendAll(err, socket, buffer, count, roleClock(role), role.stopEvent, timeoutMs);
  return finish(role, r, err, r == -1);
}

int ConnectSocket(int& errorOut, int socket, const std::string& address, uint16_t port,
                  RoleRecord& role, int64_t timeoutMs) {
  int err = 0;
  int r = connectSocket(socket, address, port, roleClock(role), role.stopEvent, timeoutMs, err);
  if (r == 0) errorOut = err;
  return finish(role, r, err, r == 0);
}

int ConnectFirst(int& errorOut, int& socket, const std::vector<std::string>& addresses,
                 uint16_t port, RoleRecord& role, int64_t timeoutMs,
                 const std::function<void(const std::string&)>& onAttempt, std::string& reached) {
  ConnectRace race;
  race.addresses = addresses;
  race.port = port;
  race.timeoutMs = timeoutMs;
  if (onAttempt) race.onAttempt = [&](size_t i) { onAttempt(addresses[i]); };
  int err = 0;
  size_t winner = 0;
  int r = connectFirst(race, roleClock(role), role.stopEvent, socket, winner, err);
  if (r == 1) reached = addresses[winner];
  if (r == 0) errorOut = err;
  return finish(role, r, err, r == 0);
}

}  // namespace fw

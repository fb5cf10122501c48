#include "engine/net/role_net.h"

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

int ConnectSocket(int& errorOut, int socket, const std::string& ipv4, uint16_t port,
                  RoleRecord& role, int64_t timeoutMs) {
  int err = 0;
  int r = connectSocket(socket, ipv4, port, roleClock(role), role.stopEvent, timeoutMs, err);
  if (r == 0) errorOut = err;
  return finish(role, r, err, r == 0);
}

}  // namespace fw

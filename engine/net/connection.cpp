#include "engine/net/connection.h"

#include "engine/base/control_codes.h"
#include "engine/net/host_resolve.h"
#include "engine/net/proxy_tunnel.h"
#include "engine/net/role_net.h"
#include "engine/url/host_text.h"
#include "platform/socket.h"

namespace fw {

int EstablishConnection(RoleRecord& role, int& socket, const ConnectOptions& options,
                        std::string& spill) {
  spill.clear();
  const bool viaProxy = role.proxy.type != kProxyDirect;
  const std::string host(unbracketedHost(viaProxy ? role.proxy.server : role.target.host));
  const int port = viaProxy ? role.proxy.port : role.target.port;
  const int64_t connOutMs = int64_t{options.connOutSec} * 1000;
  const int64_t dataOutMs = int64_t{options.dataOutSec} * 1000;
  if (viaProxy && role.proxy.type != kProxyHttpConnect && role.proxy.type != kProxySocks4 &&
      role.proxy.type != kProxySocks5)
    return -1;

  role.channel->log(role, kLogState,
                    (viaProxy ? "Connecting proxy " : "Connecting ") + bracketedHost(host) + " :" +
                        std::to_string(port));
  std::vector<std::string> addresses;
  int r = resolveHostForRole(role, host, addresses, connOutMs);
  if (r != 1) return r;

  // Every address tried is shown, so that a host reached over its second address says so.
  auto onAttempt = [&](const std::string& address) {
    if (address != host)
      role.channel->log(role, kLogState,
                        "Connecting " + host + " [IP=" + hostPortText(address, port) + " ]");
  };
  int err = 0;
  role.connectedAddress.clear();
  r = ConnectFirst(err, socket, addresses, static_cast<uint16_t>(port), role, connOutMs, onAttempt,
                   role.connectedAddress);
  if (r != 1) return r;

  if (viaProxy) {
    role.channel->log(role, kLogState, "Connecte to proxy successful.");
    r = OpenTunnel(err, socket, role, role.proxy, role.target.host,
                   static_cast<uint16_t>(role.target.port), dataOutMs, spill);
    if (r != 1) return r;
  }
  role.channel->log(role, kLogState,
                    role.target.protocol == kProtoFtp
                        ? "Connecte successful, Waiting for welcome message"
                        : "Connecte successful.");
  return 1;
}

}  // namespace fw

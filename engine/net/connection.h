#pragma once
// Opening a Role's connection: to the server directly or through its proxy, with the
// log lines the job's log shows for each step. Runs on the Role's own thread only.
//
// engine/net: a Role's connection: sockets on the Role's clock, host look-up, proxy
// tunnels, TLS and the byte sources read from them. Uses engine/base, engine/url and
// the platform.

#include <cstdint>
#include <string>

#include "engine/base/role_record.h"

namespace fw {

struct ConnectOptions {
  int connOutSec = 90;  // "ConnOut": the wait for the TCP connection (and the name look-up)
  int dataOutSec = 90;  // "DataOut": each wait for a proxy's reply
};

// Connects to `role.target`'s host and port, through `role.proxy` when its type is not
// direct. Every address of the host (or the proxy) is tried, IPv6 and IPv4, a new
// attempt starting every 250 ms or when one fails (ConnectFirst). `socket` comes in as a
// fresh socket (createStreamSocket) and leaves as the connected one (or -1); the address
// reached is kept in `role.connectedAddress`. Logs "Connecting %s :%d" or "Connecting
// proxy %s :%d", "Connecting %s [IP=%s:%d ]" as each address is tried (IPv6 addresses
// in brackets), "Connecte to proxy successful." and the handshake, and once the server
// is reached "Connecte successful." (HTTP, HTTPS) or "Connecte successful, Waiting for
// welcome message" (FTP).
// Results: 1 reached, with any bytes that followed a CONNECT reply in `spill`; 0 refused
// by every address or not resolved (the last socket error, if any, is in
// `role.lastSocketError`); -9 no answer in time; the other failures of OpenTunnel (-1,
// -10, -12, 0); the Role's stop code when it was stopped.
int EstablishConnection(RoleRecord& role, int& socket, const ConnectOptions& options,
                        std::string& spill);

}  // namespace fw

#pragma once
// The proxy handshakes that turn a connection to a proxy into a tunnel to the target:
// HTTP CONNECT, SOCKS4 and SOCKS5. Every step is logged on the Role's log; the proxy's
// user name and password never are. Runs on the Role's own thread only.

#include <cstdint>
#include <string>

#include "engine/base/role_record.h"

namespace fw {

inline constexpr size_t kProxyCredentialLimit = 90;  // bytes of user and pass that are sent
inline constexpr size_t kConnectSpillLimit = 1024;   // bytes allowed after a CONNECT reply head

// Opens the tunnel over `socket`, already connected to `proxy`. Replies are waited for
// at most `dataOutMs` each. Results:
//   1   the tunnel is open; bytes the proxy sent after its CONNECT reply head (at most
//       1,024) are in `spill`, the start of the following session's input;
//  -1   proxy type not 2, 8 or 9 (nothing is sent);
//   0   the proxy refused the request ("Request rejected by proxy", a SOCKS5 method or
//       login refusal) or a send failed (errno in `errorOut`);
// -12   the proxy could not reach the target (SOCKS5 codes 3 to 6, "Network not
//       reachable") or a CONNECT status other than 200: the Role may change proxy;
// -10   a SOCKS4 request for a host name ("Socks4 surport IP only.") or an IPv6 address
//       ("SOCKS4 cannot reach the IPv6 address %s."), a reply that is not the
//       protocol's, a CONNECT reply head over 16 KiB, or more than 1,024 bytes after it
//       ("Return Length is large Error code 10026!");
//  -9 / -10 / the Role's stop code, from waiting for a reply (RecvExact).
// The proxy's credentials are used only when its flags carry proxyflags::kAuthenticate
// and the user name is not empty; each is cut to its first 90 bytes.
int OpenTunnel(int& errorOut, int socket, RoleRecord& role, const ProxyRecord& proxy,
               const std::string& targetHost, uint16_t targetPort, int64_t dataOutMs,
               std::string& spill);

// The byte strings of the requests, for the handshakes and their tests.
std::string socks4Request(uint32_t ipv4HostOrder, uint16_t port, const std::string& user);
std::string socks5Login(const std::string& user, const std::string& pass);
// The target goes as an IPv4 address (type 1), an IPv6 address (type 4) or a name (type 3).
std::string socks5ConnectRequest(const std::string& host, uint16_t port);
// "CONNECT host:port HTTP/1.1" request ("[v6]:port" for an IPv6 address) with an optional
// Basic proxy authorisation.
std::string connectRequest(const std::string& host, uint16_t port, const std::string& user,
                           const std::string& pass, bool withAuth);

// Bytes as two-digit upper-case hexadecimal numbers separated by spaces ("05 02 00 02").
std::string hexBytes(const std::string& bytes);

}  // namespace fw

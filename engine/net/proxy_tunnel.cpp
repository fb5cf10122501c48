#include "engine/net/proxy_tunnel.h"

#include <arpa/inet.h>

#include <cstdio>

#include "engine/base/control_codes.h"
#include "engine/net/head_line_reader.h"
#include "engine/net/role_net.h"
#include "engine/url/base64.h"
#include "engine/url/host_text.h"
#include "platform/socket.h"

namespace fw {

namespace {
constexpr size_t kConnectHeadLimit = 16384;
// A CONNECT reply is read in larger pieces than a response head: what follows it in the
// same read is the tunnel's first bytes, kept up to kConnectSpillLimit.
constexpr size_t kConnectReadSize = 4096;

void logLine(RoleRecord& role, int kind, const std::string& text) {
  role.channel->log(role, kind, text);
}

bool usesCredentials(const ProxyRecord& proxy) {
  return (proxy.flags & proxyflags::kAuthenticate) != 0 && !proxy.user.empty();
}

std::string cut(const std::string& s) {
  return s.substr(0, kProxyCredentialLimit);
}

std::string portBytes(uint16_t port) {
  return std::string{static_cast<char>(port >> 8), static_cast<char>(port & 0xFF)};
}

int sendBlock(int& errorOut, int socket, RoleRecord& role, const std::string& bytes,
              int64_t dataOutMs) {
  int r = SendAll(socket, bytes.data(), bytes.size(), role, dataOutMs);
  if (r == static_cast<int>(bytes.size())) return 1;
  if (r == -1) {
    errorOut = role.lastSocketError;
    return 0;
  }
  return r;
}

// Result of reading one reply block of `n` bytes into `out`.
int readBlock(int& errorOut, int socket, RoleRecord& role, size_t n, std::string& out,
              int64_t dataOutMs) {
  out.assign(n, '\0');
  return RecvExact(errorOut, socket, out.data(), n, role, dataOutMs);
}

int rejected(RoleRecord& role) {
  logLine(role, kLogError, "Request rejected by proxy");
  return 0;
}

int socks4(int& errorOut, int socket, RoleRecord& role, const ProxyRecord& proxy,
           const std::string& host, uint16_t port, int64_t dataOutMs) {
  in_addr addr{};
  if (isIPv6Literal(host)) {
    // The request has room for four address bytes only.
    logLine(role, kLogError, "SOCKS4 cannot reach the IPv6 address " + host + ".");
    return kResultError;
  }
  if (!isDottedIPv4(host) || ::inet_pton(AF_INET, host.c_str(), &addr) != 1) {
    logLine(role, kLogError, "Socks4 surport IP only.");
    return kResultError;
  }
  std::string user = usesCredentials(proxy) ? cut(proxy.user) : std::string();
  std::string request = socks4Request(ntohl(addr.s_addr), port, user);
  // The user id travels in the request but not into the log.
  std::string shown = hexBytes(request.substr(0, 8));
  if (!user.empty()) shown += " <user id>";
  logLine(role, kLogCommand, "SOCKS4: " + shown + " 00");
  int r = sendBlock(errorOut, socket, role, request, dataOutMs);
  if (r != 1) return r;
  std::string reply;
  r = readBlock(errorOut, socket, role, 8, reply, dataOutMs);
  if (r != 1) return r;
  logLine(role, kLogServer, "SOCKS4: " + hexBytes(reply));
  if (static_cast<uint8_t>(reply[1]) != 90) return rejected(role);
  return 1;
}

int socks5(int& errorOut, int socket, RoleRecord& role, const ProxyRecord& proxy,
           const std::string& host, uint16_t port, int64_t dataOutMs) {
  if (host.empty() || host.size() > 255) {
    logLine(role, kLogError, "Request rejected by proxy");
    return kResultError;
  }
  const std::string offer("\x05\x02\x00\x02", 4);
  logLine(role, kLogCommand, "SOCKS5: " + hexBytes(offer));
  int r = sendBlock(errorOut, socket, role, offer, dataOutMs);
  if (r != 1) return r;
  std::string reply;
  r = readBlock(errorOut, socket, role, 2, reply, dataOutMs);
  if (r != 1) return r;
  logLine(role, kLogServer, "SOCKS5: " + hexBytes(reply));
  const uint8_t method = static_cast<uint8_t>(reply[1]);
  if (method == 0x02) {
    std::string user = usesCredentials(proxy) ? cut(proxy.user) : std::string();
    std::string pass = usesCredentials(proxy) ? cut(proxy.pass) : std::string();
    logLine(role, kLogCommand,
            "SOCKS5: 01 " + hexBytes(std::string(1, static_cast<char>(user.size()))) + " <user> " +
                hexBytes(std::string(1, static_cast<char>(pass.size()))) + " <password>");
    r = sendBlock(errorOut, socket, role, socks5Login(user, pass), dataOutMs);
    if (r != 1) return r;
    r = readBlock(errorOut, socket, role, 2, reply, dataOutMs);
    if (r != 1) return r;
    logLine(role, kLogServer, "SOCKS5: " + hexBytes(reply));
    if (reply[1] != 0) return rejected(role);
  } else if (method != 0x00) {
    return rejected(role);
  }
  std::string request = socks5ConnectRequest(host, port);
  logLine(role, kLogCommand, "SOCKS5: " + hexBytes(request));
  r = sendBlock(errorOut, socket, role, request, dataOutMs);
  if (r != 1) return r;
  r = readBlock(errorOut, socket, role, 5, reply, dataOutMs);
  if (r != 1) return r;
  if (reply[0] != 0x05) {
    logLine(role, kLogServer, "SOCKS5: " + hexBytes(reply));
    return rejected(role);
  }
  const uint8_t code = static_cast<uint8_t>(reply[1]);
  if (code != 0) {
    logLine(role, kLogServer, "SOCKS5: " + hexBytes(reply));
    if (code >= 3 && code <= 6) {
      logLine(role, kLogError, "Network not reachable");
      return kResultProxyFailed;
    }
    return rejected(role);
  }
  // The rest of the reply (bound address and port) must not reach the session.
  const uint8_t addrType = static_cast<uint8_t>(reply[3]);
  size_t rest = 0;
  if (addrType == 0x01) {
    rest = 3 + 2;
  } else if (addrType == 0x03) {
    rest = static_cast<uint8_t>(reply[4]) + 2u;
  } else if (addrType == 0x04) {
    rest = 15 + 2;  // an IPv6 bound address: 16 bytes, the first already read
  } else {
    logLine(role, kLogServer, "SOCKS5: " + hexBytes(reply));
    return rejected(role);
  }
  std::string tail;
  r = readBlock(errorOut, socket, role, rest, tail, dataOutMs);
  if (r != 1) return r;
  logLine(role, kLogServer, "SOCKS5: " + hexBytes(reply + tail));
  return 1;
}

// Status code of a reply head's first line ("HTTP/1.1 200 ..."), -1 when malformed.
int statusOf(const std::string& line) {
  int major = 0, minor = 0, status = 0;
  if (std::sscanf(line.c_str(), "HTTP/%d.%d %d", &major, &minor, &status) != 3) return -1;
  return status;
}

int httpConnect(int& errorOut, int socket, RoleRecord& role, const ProxyRecord& proxy,
                const std::string& host, uint16_t port, int64_t dataOutMs, std::string& spill) {
  const bool auth = usesCredentials(proxy);
  std::string request = connectRequest(host, port, cut(proxy.user), cut(proxy.pass), auth);
  logLine(role, kLogCommand, "CONNECT " + hostPortText(host, port) + " HTTP/1.1");
  if (auth) logLine(role, kLogCommand, "Proxy-Authorization: Basic ********");
  int r = sendBlock(errorOut, socket, role, request, dataOutMs);
  if (r != 1) return r;

  // Reply lines go to the log as the proxy sent them.
  int status = -1;
  bool first = true;
  auto onLine = [&](const std::string& line) {
    if (first) status = statusOf(line);
    first = false;
    logLine(role, kLogServer, line);
    return 0;
  };
  SocketByteSource source(socket);
  // A head that does not end within the limit is not a proxy's answer.
  HeadLineReader reader(true, kConnectHeadLimit);
  std::string after;
  r = reader.read(source, role, static_cast<int>(dataOutMs), kConnectReadSize, onLine, after);
  if (r != 1) {
    if (role.lastSocketError != 0) errorOut = role.lastSocketError;
    if (r != HeadLineReader::kTooLong) return r;
  }
  if (r != 1 || after.size() > kConnectSpillLimit) {
    logLine(role, kLogError, "Return Length is large Error code 10026!");
    return kResultError;
  }
  if (status != 200) return kResultProxyFailed;
  spill = std::move(after);
  return 1;
}
}  // namespace

std::string hexBytes(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[c >> 4];
    out += kDigits[c & 0x0F];
  }
  return out;
}

std::string socks4Request(uint32_t ip, uint16_t port, const std::string& user) {
  std::string r{'\x04', '\x01'};
  r += portBytes(port);
  for (int shift = 24; shift >= 0; shift -= 8) r += static_cast<char>((ip >> shift) & 0xFF);
  r += cut(user);
  r += '\0';
  return r;
}

std::string socks5Login(const std::string& user, const std::string& pass) {
  std::string u = cut(user), p = cut(pass);
  std::string r{'\x01', static_cast<char>(u.size())};
  r += u;
  r += static_cast<char>(p.size());
  r += p;
  return r;
}

std::string socks5ConnectRequest(const std::string& host, uint16_t port) {
  std::string r("\x05\x01\x00", 3);
  in_addr addr{};
  in6_addr addr6{};
  if (isDottedIPv4(host) && ::inet_pton(AF_INET, host.c_str(), &addr) == 1) {
    r += '\x01';
    r.append(reinterpret_cast<const char*>(&addr.s_addr), 4);  // network order already
  } else if (isIPv6Literal(host) && ::inet_pton(AF_INET6, host.c_str(), &addr6) == 1) {
    r += '\x04';
    r.append(reinterpret_cast<const char*>(addr6.s6_addr), 16);
  } else {
    r += '\x03';
    r += static_cast<char>(host.size());
    r += host;
  }
  r += portBytes(port);
  return r;
}

std::string connectRequest(const std::string& host, uint16_t port, const std::string& user,
                           const std::string& pass, bool withAuth) {
  std::string r = "CONNECT " + hostPortText(host, port) + " HTTP/1.1\r\n";
  if (withAuth)
    r += "Proxy-Authorization: Basic " + base64Encode(cut(user) + ":" + cut(pass)) + "\r\n";
  r += "\r\n";
  return r;
}

int OpenTunnel(int& errorOut, int socket, RoleRecord& role, const ProxyRecord& proxy,
               const std::string& targetHost, uint16_t targetPort, int64_t dataOutMs,
               std::string& spill) {
  spill.clear();
  switch (proxy.type) {
    case kProxyHttpConnect:
      return httpConnect(errorOut, socket, role, proxy, targetHost, targetPort, dataOutMs, spill);
    case kProxySocks4:
      return socks4(errorOut, socket, role, proxy, targetHost, targetPort, dataOutMs);
    case kProxySocks5:
      return socks5(errorOut, socket, role, proxy, targetHost, targetPort, dataOutMs);
    default:
      return -1;
  }
}

}  // namespace fw

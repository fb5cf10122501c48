#pragma once
// One configured proxy ("Proxy%d" keys of the settings).

#include <cstdint>
#include <string>

namespace fw {

enum ProxyType : uint8_t {
  kProxyDirect = 0,
  kProxyHttpConnect = 2,
  kProxySocks4 = 8,
  kProxySocks5 = 9,
};

namespace proxyflags {
inline constexpr uint32_t kNoCache = 0x01;       // HTTP requests carry the no-cache lines
inline constexpr uint32_t kPassive = 0x02;       // FTP data connections start passive
inline constexpr uint32_t kAuthenticate = 0x04;  // user and pass are used
}  // namespace proxyflags

struct ProxyRecord {
  std::string title;
  std::string server;
  uint16_t port = 0;  // in a Role's copy: holds the proxy's index until it is fetched
  std::string user;   // used up to its first 90 bytes
  std::string pass;   // same
  uint8_t type = kProxyDirect;
  uint32_t flags = 0;
};

}  // namespace fw

// FTP downloads through each kind of proxy that carries FTP: HTTP CONNECT (tinyproxy),
// SOCKS5 (microsocks, danted) and SOCKS4 (danted). The control connection and every
// passive data connection go through the proxy; the file arrives exact.

#include <gtest/gtest.h>

#include <functional>

#include "engine/ftp/ftp_pasv.h"
#include "support/download_rig.h"
#include "support/ftp_servers.h"
#include "support/proxy_servers.h"

namespace fw {
namespace {

using test::allLines;
using test::DownloadRig;
using test::ProxyServer;
using test::PyftpdlibServer;

// The ports the server announced in its 227 replies.
std::vector<int> passivePorts(const DownloadRig& rig) {
  std::vector<int> ports;
  for (const std::string& l : rig.logLines()) {
    if (l.find("227 ") == std::string::npos) continue;
    std::string ip;
    int port = 0;
    if (parsePassiveReply(l.substr(l.find("227 ")), ip, port)) ports.push_back(port);
  }
  return ports;
}

std::string hexPort(int port) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X %02X", port >> 8, port & 0xFF);
  return buf;
}

// The logged tunnel request of each proxy kind for 127.0.0.1:port.
std::string tunnelRequest(uint8_t type, int port) {
  switch (type) {
    case kProxyHttpConnect:
      return "CONNECT 127.0.0.1:" + std::to_string(port) + " HTTP/1.1";
    case kProxySocks4:
      return "SOCKS4: 04 01 " + hexPort(port) + " 7F 00 00 01 00";
    default:
      return "SOCKS5: 05 01 00 01 7F 00 00 01 " + hexPort(port);
  }
}

struct ProxyCase {
  const char* name;
  const char* binary;
  uint8_t type;
  std::function<std::unique_ptr<ProxyServer>()> make;
  // A line the handshake logs on every connection through this kind of proxy.
  const char* handshake;
  const char* user = "";  // proxy login, when the proxy asks for one
  const char* pass = "";
};

class RoleFtpProxy : public ::testing::TestWithParam<ProxyCase> {};

TEST_P(RoleFtpProxy, ControlAndDataGoThroughTheProxy) {
  const ProxyCase& c = GetParam();
  FW_REQUIRE_BINARY(binary, c.binary);
  if (!PyftpdlibServer::available()) {
    if (test::runningInCi()) FAIL() << "python3-pyftpdlib missing";
    GTEST_SKIP() << "python3-pyftpdlib missing (install it to run)";
  }
  const std::string content = test::faultServerContent(2u << 20);
  PyftpdlibServer server;
  server.addFile("pub/data.bin", content);
  ASSERT_TRUE(server.start()) << server.error();
  std::unique_ptr<ProxyServer> proxy = c.make();
  ASSERT_TRUE(proxy->start(binary)) << proxy->error();

  DownloadRig rig;
  ProxyRecord record;
  record.title = c.name;
  record.type = c.type;
  record.server = "127.0.0.1";
  record.port = static_cast<uint16_t>(proxy->port());
  record.flags = proxyflags::kPassive;
  if (*c.user) {
    record.user = c.user;
    record.pass = c.pass;
    record.flags |= proxyflags::kAuthenticate;
  }
  rig.host.proxies.push_back(record);
  rig.job.ftpProxy = 1;
  rig.job.url = server.url("pub/data.bin");
  rig.job.splitCount = 2;
  ASSERT_TRUE(rig.run(60)) << allLines(rig);
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig) << proxy->log();
  EXPECT_TRUE(rig.finalBytes() == content) << "got " << rig.finalBytes().size() << " bytes\n"
                                           << allLines(rig);

  EXPECT_TRUE(rig.logged("0Connecting proxy 127.0.0.1 :" + std::to_string(proxy->port())))
      << allLines(rig);
  EXPECT_TRUE(rig.logged("0Connecte to proxy successful."));
  EXPECT_TRUE(rig.logged(c.handshake)) << allLines(rig);
  EXPECT_TRUE(rig.logged("0Connecte successful, Waiting for welcome message"));
  EXPECT_TRUE(rig.logged(tunnelRequest(c.type, server.port()))) << allLines(rig);
  // Every passive port the server announced was reached through a tunnel to it.
  std::vector<int> ports = passivePorts(rig);
  EXPECT_GE(ports.size(), 2u) << allLines(rig);
  for (int port : ports) EXPECT_TRUE(rig.logged(tunnelRequest(c.type, port))) << port;
  if (*c.pass) {
    EXPECT_FALSE(rig.logged(c.pass));
  }
  // A Role that starts after the file is in opens no session for a range past its end.
  EXPECT_FALSE(rig.logged("REST " + std::to_string(content.size()))) << allLines(rig);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RoleFtpProxy,
    ::testing::Values(
        ProxyCase{"httpConnectTinyproxy", "tinyproxy", kProxyHttpConnect,
                  [] { return std::make_unique<test::TinyproxyServer>(); },
                  "3HTTP/1.0 200 Connection established"},
        ProxyCase{"socks5Microsocks", "microsocks", kProxySocks5,
                  [] { return std::make_unique<test::MicrosocksServer>(); },
                  "1SOCKS5: 05 02 00 02"},
        ProxyCase{"socks5Dante", "danted", kProxySocks5,
                  [] { return std::make_unique<test::DanteServer>(); }, "3SOCKS5: 05 00"},
        ProxyCase{"socks4Dante", "danted", kProxySocks4,
                  [] { return std::make_unique<test::DanteServer>(); }, "3SOCKS4: 00 5A"},
        // With a login the data connections log in to the proxy as well.
        ProxyCase{"httpConnectTinyproxyLogin", "tinyproxy", kProxyHttpConnect,
                  [] { return std::make_unique<test::TinyproxyServer>("fwuser", "fwsecret"); },
                  "1Proxy-Authorization: Basic ********", "fwuser", "fwsecret"},
        ProxyCase{"socks5MicrosocksLogin", "microsocks", kProxySocks5,
                  [] { return std::make_unique<test::MicrosocksServer>("fwuser", "fwsecret"); },
                  "3SOCKS5: 01 00", "fwuser", "fwsecret"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fw

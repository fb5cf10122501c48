// Downloads from servers on ::1: HTTP and HTTPS by a bracketed address, FTP whose data
// connections are negotiated with EPSV and EPRT, a SOCKS5 proxy that is itself on ::1,
// and "localhost" naming both families while the server listens on only one of them.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/control_codes.h"
#include "engine/net/connection.h"
#include "engine/net/role_net.h"
#include "engine/net/tls_functions.h"
#include "engine/net/tls_session.h"
#include "engine/url/host_text.h"
#include "platform/host_lookup.h"
#include "platform/socket.h"
#include "support/download_rig.h"
#include "support/ftp_servers.h"
#include "support/hosts_file.h"
#include "support/nginx_server.h"
#include "support/proxy_servers.h"
#include "support/recording_channel.h"
#include "support/test_certs.h"

namespace fw {
namespace {

using test::allLines;
using test::DownloadRig;
using test::faultServerContent;

#define REQUIRE_IPV6_LOOPBACK()                                         \
  do {                                                                  \
    if (test::freeTcpPort("::1") <= 0) {                                \
      if (test::runningInCi()) FAIL() << "no IPv6 loopback (::1) here"; \
      GTEST_SKIP() << "no IPv6 loopback (::1) on this machine";         \
    }                                                                   \
  } while (0)

void expectComplete(const DownloadRig& rig, const std::string& want) {
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_TRUE(rig.finalBytes() == want) << "got " << rig.finalBytes().size() << " bytes\n"
                                        << allLines(rig);
}

TEST(Ipv6Download, HttpAndHttpsByABracketedAddress) {
  REQUIRE_IPV6_LOOPBACK();
  FW_REQUIRE_BINARY(nginx, "nginx");
  FW_REQUIRE_BINARY(openssl, "openssl");
  ASSERT_TRUE(loadTlsLibraries()) << "libssl not found";
  test::TempDir certDir{"fwcerts6"};
  test::TestCertificates certs = test::makeTestCertificates(certDir.path(), openssl);
  ASSERT_TRUE(certs.error.empty()) << certs.error;
  test::NginxServer server;
  server.address = "::1";
  const std::string content = faultServerContent(3u << 20);
  server.addFile("v6.bin", content);
  server.addHttpConfig("  limit_rate 1m;\n");
  size_t site = server.addTlsSite(certs.valid.cert, certs.valid.key);
  ASSERT_TRUE(server.start(nginx)) << server.error();

  for (bool https : {false, true}) {
    SCOPED_TRACE(https ? "https" : "http");
    const int port = https ? server.tlsSites()[site].port : server.httpPort();
    DownloadRig rig;
    // The test's authority is not in the system store; its check is the next test's.
    rig.settings.tlsVerify = 0;
    rig.job.url =
        std::string(https ? "https" : "http") + "://[::1]:" + std::to_string(port) + "/v6.bin";
    rig.job.splitCount = 4;
    ASSERT_TRUE(rig.run(60)) << server.errorLog();
    expectComplete(rig, content);
    EXPECT_EQ(rig.rolesStarted(), 4);
    // nginx answers 400 to a Host line without the brackets: every Role sent them.
    EXPECT_TRUE(rig.logged("1:0Connecting [::1] :" + std::to_string(port))) << allLines(rig);
    EXPECT_EQ(rig.job.fileName, "v6.bin");
  }
}

TEST(Ipv6Tls, TheCertificateIsCheckedForTheAddressAndNoNameIsSent) {
  REQUIRE_IPV6_LOOPBACK();
  FW_REQUIRE_BINARY(nginx, "nginx");
  FW_REQUIRE_BINARY(openssl, "openssl");
  ASSERT_TRUE(loadTlsLibraries()) << "libssl not found";
  test::TempDir certDir{"fwcerts6"};
  test::TestCertificates certs = test::makeTestCertificates(certDir.path(), openssl);
  ASSERT_TRUE(certs.error.empty()) << certs.error;
  test::NginxServer server;
  server.address = "::1";
  server.addServerConfig("    location = /sni { return 200 \"sni=$ssl_server_name.\\n\"; }\n");
  size_t valid = server.addTlsSite(certs.valid.cert, certs.valid.key);
  size_t other = server.addTlsSite(certs.otherHost.cert, certs.otherHost.key);
  ASSERT_TRUE(server.start(nginx)) << server.error();

  struct {
    size_t site;
    int result;
    const char* reason;
  } cases[] = {{valid, 1, ""}, {other, kResultTls, "IP address mismatch"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.site);
    test::RecordingChannel channel;
    RoleRecord role;
    role.channel = &channel;
    role.target.host = "::1";
    role.target.port = server.tlsSites()[c.site].port;
    role.target.protocol = kProtoHttps;
    int fd = kInvalidSocket, err = 0;
    ASSERT_EQ(createStreamSocket(fd, err), SocketSetup::Ok);
    std::string spill;
    ConnectOptions options;
    options.connOutSec = options.dataOutSec = 10;
    ASSERT_EQ(EstablishConnection(role, fd, options, spill), 1) << channel.dump();
    EXPECT_EQ(role.connectedAddress, "::1");
    TlsSession session(role);
    TlsOptions tls;
    tls.caFile = certs.caCert;
    tls.dataOutSec = 10;
    EXPECT_EQ(session.open(fd, "::1", tls), c.result) << channel.dump();
    if (c.result == 1) {
      const std::string request = "GET /sni HTTP/1.0\r\nHost: [::1]\r\n\r\n";
      ASSERT_EQ(session.write(request.data(), request.size()), static_cast<int>(request.size()));
      std::string response;
      uint8_t buf[4096];
      // Bounded: each pass waits at most 10 s and a closed or failed read ends it.
      while (session.waitReadable(10000) == 1) {
        int n = session.read(buf, sizeof buf, &err);
        if (n <= 0) break;
        response.append(reinterpret_cast<char*>(buf), static_cast<size_t>(n));
      }
      EXPECT_NE(response.find("\r\n\r\nsni=.\n"), std::string::npos) << response;
    } else {
      EXPECT_TRUE(channel.anyContains(c.reason)) << channel.dump();
    }
    session.close();
    closeSocket(fd);
  }
}

struct FtpCase {
  const char* name;
  bool vsftpd;  // else the scripted pyftpdlib server
  bool passive;
  std::vector<std::string> faults;
  std::vector<const char*> logged;  // lines some Role must have logged (contained)
};

class Ipv6Ftp : public ::testing::TestWithParam<FtpCase> {};

TEST_P(Ipv6Ftp, DataConnectionsNameNoAddress) {
  REQUIRE_IPV6_LOOPBACK();
  const FtpCase& c = GetParam();
  std::unique_ptr<test::FtpTestServer> server;
  const std::string content = faultServerContent(2u << 20);
  bool started = false;
  if (c.vsftpd) {
    FW_REQUIRE_BINARY(binary, "vsftpd");
    // vsftpd drops to its unprivileged user for anonymous sessions: it needs root.
    if (geteuid() != 0) GTEST_SKIP() << "vsftpd needs to start as root";
    auto vs = std::make_unique<test::VsftpdServer>();
    vs->address = "::1";
    vs->addFile("pub/data.bin", content);
    started = vs->start(binary);
    server = std::move(vs);
  } else {
    if (!test::PyftpdlibServer::available()) {
      if (test::runningInCi()) FAIL() << "python3-pyftpdlib missing";
      GTEST_SKIP() << "python3-pyftpdlib missing (install it to run)";
    }
    auto py = std::make_unique<test::PyftpdlibServer>();
    py->address = "::1";
    py->addFile("pub/data.bin", content);
    started = py->start(c.faults);
    server = std::move(py);
  }
  ASSERT_TRUE(started) << server->error();
  DownloadRig rig;
  if (c.passive) {
    ProxyRecord direct;
    direct.flags = proxyflags::kPassive;
    rig.host.proxies.push_back(direct);
    rig.job.ftpProxy = 1;
  }
  rig.job.url = server->url("pub/data.bin");
  rig.job.splitCount = 3;
  ASSERT_TRUE(rig.run(60)) << allLines(rig);
  expectComplete(rig, content);
  for (const char* text : c.logged) EXPECT_TRUE(rig.logged(text)) << text << "\n" << allLines(rig);
  // An IPv6 control connection never asks for the IPv4-only forms.
  EXPECT_FALSE(rig.logged(":1PASV")) << allLines(rig);
  EXPECT_FALSE(rig.logged(":1PORT ")) << allLines(rig);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, Ipv6Ftp,
    ::testing::Values(FtpCase{"VsftpdPassive", true, true, {}, {"1:1EPSV", "2:1EPSV"}},
                      FtpCase{"VsftpdActive", true, false, {}, {"1:1EPRT |2|::1|"}},
                      // A server that refuses EPSV gets EPRT, as a refused PASV gets PORT.
                      FtpCase{"EpsvRefusedGoesActive",
                              false,
                              true,
                              {"epsv500"},
                              {"1:1EPSV", "1:3500 EPSV not understood.", "1:1EPRT |2|::1|"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Ipv6Proxy, Socks5OnIPv6CarriesAnIPv6Destination) {
  REQUIRE_IPV6_LOOPBACK();
  FW_REQUIRE_BINARY(nginx, "nginx");
  FW_REQUIRE_BINARY(microsocks, "microsocks");
  test::NginxServer server;
  server.address = "::1";
  const std::string content = faultServerContent(300000);
  server.addFile("p.bin", content);
  ASSERT_TRUE(server.start(nginx)) << server.error();
  test::MicrosocksServer socks5;
  socks5.address = "::1";
  ASSERT_TRUE(socks5.start(microsocks)) << socks5.error();

  DownloadRig rig;
  ProxyRecord proxy;
  proxy.type = kProxySocks5;
  proxy.server = "[::1]";  // as a user may well write it
  proxy.port = static_cast<uint16_t>(socks5.port());
  rig.host.proxies.push_back(proxy);
  rig.job.httpProxy = 1;
  rig.job.url = "http://[::1]:" + std::to_string(server.httpPort()) + "/p.bin";
  rig.job.splitCount = 2;
  ASSERT_TRUE(rig.run(60)) << allLines(rig) << socks5.log();
  expectComplete(rig, content);
  EXPECT_TRUE(rig.logged("1:0Connecting proxy [::1] :" + std::to_string(socks5.port())));
  // Address type 4 and the sixteen bytes of ::1, then the port.
  std::string request = "1:1SOCKS5: 05 01 00 04 ";
  for (int i = 0; i < 15; ++i) request += "00 ";
  char port[8];
  std::snprintf(port, sizeof port, "%02X %02X", server.httpPort() >> 8, server.httpPort() & 0xFF);
  EXPECT_TRUE(rig.logged(request + "01 " + port)) << allLines(rig);
}

// "localhost" names ::1 and 127.0.0.1 here, as on most systems; the test process gets
// its own hosts file so that this holds whatever the machine's says.
class LocalhostOnBothFamilies : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_IPV6_LOOPBACK();
    std::string why;
    if (!test::useOwnHostsFile("127.0.0.1 localhost\n::1 localhost\n", why)) {
      if (test::runningInCi()) FAIL() << why;
      GTEST_SKIP() << why;
    }
    order = resolveHostAddresses("localhost");
    ASSERT_EQ(order.size(), 2u) << "localhost should name both loopback addresses";
  }
  std::vector<std::string> order;  // as a Role tries them
};

TEST_F(LocalhostOnBothFamilies, AServerOnOneFamilyIsReached) {
  FW_REQUIRE_BINARY(nginx, "nginx");
  for (const char* address : {"::1", "127.0.0.1"}) {
    SCOPED_TRACE(address);
    test::NginxServer server;
    server.address = address;
    const std::string content = faultServerContent(500000);
    server.addFile("l.bin", content);
    ASSERT_TRUE(server.start(nginx)) << server.error();
    DownloadRig rig;
    rig.job.url = "http://localhost:" + std::to_string(server.httpPort()) + "/l.bin";
    rig.job.splitCount = 2;
    ASSERT_TRUE(rig.run(30)) << allLines(rig);
    expectComplete(rig, content);
    // The addresses are tried in their order up to the one that answers; a refusal hands
    // on at once, so no attempt waits for its 250 ms.
    for (const std::string& tried : order) {
      EXPECT_TRUE(rig.logged(
          "1:0Connecting localhost [IP=" + hostPortText(tried, server.httpPort()) + " ]"))
          << allLines(rig);
      if (tried == address) break;
    }
  }
}

}  // namespace
}  // namespace fw

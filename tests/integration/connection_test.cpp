// Connections to a real local nginx over HTTP and HTTPS, directly and through real
// proxies (tinyproxy, microsocks, danted), each carrying a real HTTP exchange, and the
// certificate checks of the TLS session against certificates made by the test.

#include "engine/net/connection.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/base/control_codes.h"
#include "engine/net/role_net.h"
#include "engine/net/tls_functions.h"
#include "engine/net/tls_session.h"
#include "platform/socket.h"
#include "support/nginx_server.h"
#include "support/proxy_servers.h"
#include "support/recording_channel.h"
#include "support/test_certs.h"

namespace fw {
namespace {

using namespace fw::test;

const std::string kBody = "Fetchwright connection test body\n";

struct Exchange {
  int connect = 0;  // EstablishConnection result
  int tls = 0;      // TlsSession::open result (0 when plain)
  std::string response;
  std::string log;
  RecordingChannel* channel = nullptr;
};

class ConnectionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_nginxPath = findBinary("nginx");
    std::string openssl = findBinary("openssl");
    if (s_nginxPath.empty() || openssl.empty()) return;
    s_certDir = new TempDir("fw-certs");
    s_certs = new TestCertificates(makeTestCertificates(s_certDir->path(), openssl));
    s_nginx = new NginxServer;
    s_nginx->addFile("file.txt", kBody);
    s_nginx->addServerConfig("    location = /sni { return 200 \"sni=$ssl_server_name\\n\"; }\n");
    s_nginx->addTlsSite(s_certs->valid.cert, s_certs->valid.key);
    s_nginx->addTlsSite(s_certs->expired.cert, s_certs->expired.key);
    s_nginx->addTlsSite(s_certs->otherHost.cert, s_certs->otherHost.key);
    if (!s_certs->error.empty() || !s_nginx->start(s_nginxPath)) {
      delete s_nginx;
      s_nginx = nullptr;
    }
    loadTlsLibraries();
  }
  static void TearDownTestSuite() {
    delete s_nginx;
    delete s_certs;
    delete s_certDir;
    s_nginx = nullptr;
  }
  void SetUp() override {
    if (s_nginxPath.empty()) {
      if (runningInCi()) FAIL() << "server binary missing: nginx or openssl";
      GTEST_SKIP() << "server binary missing: nginx or openssl";
    }
    ASSERT_NE(s_nginx, nullptr) << "local nginx did not start";
  }

  int tlsPort(size_t site) const { return s_nginx->tlsSites()[site].port; }

  // Connects (through `proxy` unless direct) to 127.0.0.1, optionally opens TLS for the
  // name "localhost" (sent as SNI and checked against the certificate), sends a GET
  // for /file.txt and reads the whole response.
  Exchange fetch(const ProxyRecord& proxy, int port, bool https, TlsOptions tls = {},
                 const std::string& path = "/file.txt") {
    Exchange x;
    channels.push_back(std::make_unique<RecordingChannel>());
    x.channel = channels.back().get();
    RoleRecord role;
    role.channel = x.channel;
    role.proxy = proxy;
    role.target.host = "127.0.0.1";
    role.target.port = port;
    role.target.protocol = https ? kProtoHttps : kProtoHttp;
    int fd = kInvalidSocket, err = 0;
    if (createStreamSocket(fd, err) != SocketSetup::Ok) return x;
    std::string spill;
    ConnectOptions options;
    options.connOutSec = 10;
    options.dataOutSec = 10;
    x.connect = EstablishConnection(role, fd, options, spill);
    std::string request = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    if (x.connect == 1 && !https) {
      x.response = spill;
      if (SendAll(fd, request.data(), request.size(), role) == static_cast<int>(request.size())) {
        char buf[4096];
        for (int n; (n = RecvSome(err, fd, buf, sizeof buf, role, 10000)) > 0;)
          x.response.append(buf, static_cast<size_t>(n));
      }
    } else if (x.connect == 1) {
      TlsSession session(role);
      if (tls.caFile.empty()) tls.caFile = s_certs->caCert;
      tls.dataOutSec = 10;
      x.tls = session.open(fd, "localhost", tls);
      if (x.tls == 1 &&
          session.write(request.data(), request.size()) == static_cast<int>(request.size())) {
        uint8_t buf[4096];
        // Bounded: each pass waits at most 10 s and a closed or failed read ends it.
        while (session.waitReadable(10000) == 1) {
          int n = session.read(buf, sizeof buf, &err);
          if (n <= 0) break;
          x.response.append(reinterpret_cast<char*>(buf), static_cast<size_t>(n));
        }
      }
      session.close();
    }
    closeSocket(fd);
    x.log = x.channel->dump();
    return x;
  }

  static void expectFile(const Exchange& x) {
    EXPECT_EQ(x.connect, 1) << x.log;
    EXPECT_EQ(x.response.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << x.response << x.log;
    ASSERT_GE(x.response.size(), kBody.size());
    EXPECT_EQ(x.response.substr(x.response.size() - kBody.size()), kBody);
    EXPECT_TRUE(x.channel->has(kLogState, "Connecte successful.")) << x.log;
  }

  static ProxyRecord proxyAt(uint8_t type, int port, const std::string& user = "",
                             const std::string& pass = "") {
    ProxyRecord p;
    p.type = type;
    p.server = "127.0.0.1";
    p.port = static_cast<uint16_t>(port);
    p.user = user;
    p.pass = pass;
    if (!user.empty()) p.flags = proxyflags::kAuthenticate;
    return p;
  }

  static std::string s_nginxPath;
  static TempDir* s_certDir;
  static TestCertificates* s_certs;
  static NginxServer* s_nginx;
  std::vector<std::unique_ptr<RecordingChannel>> channels;
};

std::string ConnectionTest::s_nginxPath;
TempDir* ConnectionTest::s_certDir = nullptr;
TestCertificates* ConnectionTest::s_certs = nullptr;
NginxServer* ConnectionTest::s_nginx = nullptr;

TEST_F(ConnectionTest, DirectHttp) {
  Exchange x = fetch(ProxyRecord{}, s_nginx->httpPort(), false);
  expectFile(x);
  EXPECT_TRUE(
      x.channel->has(kLogState, "Connecting 127.0.0.1 :" + std::to_string(s_nginx->httpPort())));
}

TEST_F(ConnectionTest, RefusedPortFailsWithTheSocketError) {
  int closedPort = freeTcpPort();
  Exchange x = fetch(ProxyRecord{}, closedPort, false);
  EXPECT_EQ(x.connect, 0) << x.log;
  EXPECT_FALSE(x.channel->has(kLogState, "Connecte successful."));
}

TEST_F(ConnectionTest, DirectHttpsWithTrustedCertificate) {
  Exchange x = fetch(ProxyRecord{}, tlsPort(0), true);
  EXPECT_EQ(x.tls, 1) << x.log << s_nginx->errorLog();
  expectFile(x);
  EXPECT_TRUE(x.channel->has(kLogCommand, "Establishing SSL session"));
}

TEST_F(ConnectionTest, ServerNameIsSent) {
  Exchange x = fetch(ProxyRecord{}, tlsPort(0), true, {}, "/sni");
  EXPECT_EQ(x.tls, 1) << x.log;
  EXPECT_NE(x.response.find("\r\n\r\nsni=localhost\n"), std::string::npos) << x.response;
}

TEST_F(ConnectionTest, VerificationRefusesBadCertificatesUnlessTurnedOff) {
  struct {
    size_t site;
    const char* reason;
  } cases[] = {{1, "certificate has expired"}, {2, "hostname mismatch"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    Exchange refused = fetch(ProxyRecord{}, tlsPort(c.site), true);
    EXPECT_EQ(refused.tls, kResultTls) << refused.log;
    EXPECT_TRUE(refused.channel->has(kLogError, c.reason)) << refused.log;
    EXPECT_FALSE(refused.channel->has(kLogServer, "change validate mode !"));
    EXPECT_EQ(refused.response, "");

    TlsOptions off;
    off.verify = false;
    Exchange accepted = fetch(ProxyRecord{}, tlsPort(c.site), true, off);
    EXPECT_EQ(accepted.tls, 1) << accepted.log;
    expectFile(accepted);
  }
}

TEST_F(ConnectionTest, UntrustedCaIsRefused) {
  TlsOptions systemOnly;
  systemOnly.caFile = "/nonexistent/ca.pem";
  Exchange x = fetch(ProxyRecord{}, tlsPort(0), true, systemOnly);
  EXPECT_EQ(x.tls, kResultTls) << x.log;
  EXPECT_TRUE(x.channel->has(kLogError, "unable to get local issuer certificate")) << x.log;
}

TEST_F(ConnectionTest, TinyproxyConnectWithAndWithoutBasicAuth) {
  FW_REQUIRE_BINARY(tinyproxy, "tinyproxy");
  TinyproxyServer open;
  ASSERT_TRUE(open.start(tinyproxy)) << open.error();
  Exchange x = fetch(proxyAt(kProxyHttpConnect, open.port()), s_nginx->httpPort(), false);
  expectFile(x);
  EXPECT_TRUE(
      x.channel->has(kLogState, "Connecting proxy 127.0.0.1 :" + std::to_string(open.port())));
  EXPECT_TRUE(x.channel->has(kLogState, "Connecte to proxy successful."));
  Exchange tls = fetch(proxyAt(kProxyHttpConnect, open.port()), tlsPort(0), true);
  EXPECT_EQ(tls.tls, 1) << tls.log;
  expectFile(tls);

  TinyproxyServer guarded("fwuser", "fwsecret");
  ASSERT_TRUE(guarded.start(tinyproxy)) << guarded.error();
  Exchange ok = fetch(proxyAt(kProxyHttpConnect, guarded.port(), "fwuser", "fwsecret"),
                      s_nginx->httpPort(), false);
  expectFile(ok);
  EXPECT_FALSE(ok.channel->anyContains("fwsecret"));
  EXPECT_FALSE(ok.channel->anyContains("fwuser"));
  Exchange denied = fetch(proxyAt(kProxyHttpConnect, guarded.port(), "fwuser", "wrong"),
                          s_nginx->httpPort(), false);
  EXPECT_EQ(denied.connect, kResultProxyFailed) << denied.log << guarded.log();
  EXPECT_TRUE(denied.channel->anyContains(" 401 Unauthorized")) << denied.log;
}

TEST_F(ConnectionTest, MicrosocksSocks5WithAndWithoutLogin) {
  FW_REQUIRE_BINARY(microsocks, "microsocks");
  MicrosocksServer open;
  ASSERT_TRUE(open.start(microsocks)) << open.error();
  expectFile(fetch(proxyAt(kProxySocks5, open.port()), s_nginx->httpPort(), false));

  MicrosocksServer guarded("fwuser", "fwsecret");
  ASSERT_TRUE(guarded.start(microsocks)) << guarded.error();
  Exchange ok = fetch(proxyAt(kProxySocks5, guarded.port(), "fwuser", "fwsecret"),
                      s_nginx->httpPort(), false);
  expectFile(ok);
  EXPECT_TRUE(ok.channel->has(kLogServer, "SOCKS5: 05 02")) << ok.log;
  EXPECT_FALSE(ok.channel->anyContains("fwsecret"));
  Exchange tls =
      fetch(proxyAt(kProxySocks5, guarded.port(), "fwuser", "fwsecret"), tlsPort(0), true);
  EXPECT_EQ(tls.tls, 1) << tls.log;
  expectFile(tls);
  Exchange denied =
      fetch(proxyAt(kProxySocks5, guarded.port(), "fwuser", "wrong"), s_nginx->httpPort(), false);
  EXPECT_NE(denied.connect, 1) << denied.log;
  EXPECT_TRUE(denied.channel->has(kLogError, "Request rejected by proxy")) << denied.log;
}

TEST_F(ConnectionTest, DanteSocks4AndSocks5) {
  FW_REQUIRE_BINARY(danted, "danted");
  DanteServer dante;
  ASSERT_TRUE(dante.start(danted)) << dante.error();
  Exchange v4 = fetch(proxyAt(kProxySocks4, dante.port()), s_nginx->httpPort(), false);
  expectFile(v4);
  if (::testing::Test::HasFailure()) ADD_FAILURE() << dante.log();
  Exchange v5 = fetch(proxyAt(kProxySocks5, dante.port()), s_nginx->httpPort(), false);
  expectFile(v5);
  EXPECT_TRUE(v5.channel->has(kLogServer, "SOCKS5: 05 00")) << v5.log;
  // A closed port behind the proxy: dante reports it and the attempt fails.
  Exchange closed = fetch(proxyAt(kProxySocks5, dante.port()), freeTcpPort(), false);
  EXPECT_NE(closed.connect, 1) << closed.log;
}

}  // namespace
}  // namespace fw

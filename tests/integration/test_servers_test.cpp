// The server harness itself: nginx comes up as the current user on a free port,
// serves the files it was given over HTTP and HTTPS, and is gone after stop().

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/nginx_server.h"
#include "support/server_process.h"
#include "support/test_certs.h"

namespace fw::test {
namespace {

std::string plainGet(int port, const std::string& path) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string out;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    std::string req = "GET " + path + " HTTP/1.0\r\nHost: localhost\r\n\r\n";
    (void)!::write(fd, req.data(), req.size());
    char buf[4096];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) out.append(buf, n);
  }
  ::close(fd);
  return out;
}

TEST(TestServers, NginxServesFilesAndStops) {
  FW_REQUIRE_BINARY(nginx, "nginx");
  FW_REQUIRE_BINARY(openssl, "openssl");
  TempDir certDir("fw-certs");
  TestCertificates certs = makeTestCertificates(certDir.path(), openssl);
  ASSERT_EQ(certs.error, "");
  NginxServer server;
  server.addFile("hello.txt", "hello from nginx\n");
  server.addTlsSite(certs.valid.cert, certs.valid.key);
  ASSERT_TRUE(server.start(nginx)) << server.error();
  std::string reply = plainGet(server.httpPort(), "/hello.txt");
  EXPECT_EQ(reply.rfind("HTTP/1.1 200", 0), 0u) << reply;
  EXPECT_NE(reply.find("\r\n\r\nhello from nginx\n"), std::string::npos);
  EXPECT_TRUE(waitForTcpPort(server.tlsSites()[0].port, 1000));
  int port = server.httpPort();
  server.stop();
  EXPECT_FALSE(waitForTcpPort(port, 200));
}

TEST(TestServers, MissingBinaryIsReportedEmpty) {
  EXPECT_EQ(findBinary("fw-no-such-server-binary"), "");
  EXPECT_NE(findBinary("sh"), "");
}

}  // namespace
}  // namespace fw::test

// The run-time TLS binding: a machine without the library, handshakes that fail, and
// stop requests and time-outs during a handshake.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine/base/control_codes.h"
#include "engine/net/role_net.h"
#include "engine/net/tls_functions.h"
#include "engine/net/tls_session.h"
#include "platform/fake_clock.h"
#include "platform/socket.h"
#include "support/recording_channel.h"
#include "support/scripted_server.h"

namespace fw {
namespace {

class TlsBindingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    role.channel = &channel;
    loadTlsLibraries();
  }
  void TearDown() override {
    closeSocket(fd);
    unloadTlsLibraries();
    loadTlsLibraries();
  }
  void connectTo(const std::string& mode) {
    ASSERT_TRUE(server.start("scripted_proxy.py", {mode})) << server.error();
    int err = 0;
    ASSERT_EQ(createStreamSocket(fd, err), SocketSetup::Ok);
    ASSERT_EQ(ConnectSocket(err, fd, "127.0.0.1", static_cast<uint16_t>(server.port()), role, 5000),
              1);
  }

  test::RecordingChannel channel;
  RoleRecord role;
  test::ScriptedServer server;
  int fd = kInvalidSocket;
};

TEST_F(TlsBindingTest, InstalledLibraryFillsTheTable) {
  const TlsFunctions& f = tlsFunctions();
  ASSERT_NE(f.sslLibrary, nullptr) << "libssl.so.3 not found on this machine";
  EXPECT_NE(f.SSLv23_client_method, nullptr);
  EXPECT_NE(f.SSL_connect, nullptr);
  EXPECT_NE(f.SSL_ctrl, nullptr);
  EXPECT_NE(f.SSL_set1_host, nullptr);
  EXPECT_NE(f.RAND_seed, nullptr);
  EXPECT_NE(f.X509_verify_cert_error_string, nullptr);
  EXPECT_STREQ(f.X509_verify_cert_error_string(10), "certificate has expired");
}

TEST_F(TlsBindingTest, WithoutTheLibraryEverySessionFailsWithTlsError) {
  unloadTlsLibraries();
  TlsLibraryNames none{{"libfw-no-such-ssl.so"}, {"libfw-no-such-crypto.so"}};
  EXPECT_FALSE(loadTlsLibraries(none));
  const TlsFunctions& f = tlsFunctions();
  EXPECT_EQ(f.sslLibrary, nullptr);
  EXPECT_EQ(f.SSL_connect, nullptr);
  EXPECT_EQ(f.RAND_seed, nullptr);
  FakeClock clock;
  seedTlsRandom(clock);  // nothing to seed, nothing to crash

  // A plain connection still works; only the session cannot be made.
  connectTo("garbage");
  TlsSession session(role);
  EXPECT_EQ(session.open(fd, "localhost", TlsOptions{}), kResultTls);
  EXPECT_FALSE(session.active());
  ASSERT_EQ(channel.lines().size(), 1u);
  EXPECT_TRUE(channel.has(kLogCommand, "Establishing SSL session"));
  uint8_t b[4];
  int err = 0;
  EXPECT_EQ(session.write("x", 1), kResultTls);
  EXPECT_EQ(session.read(b, 4, &err), -1);
  EXPECT_EQ(session.close(true), 1);
}

TEST_F(TlsBindingTest, HandshakeWithAPlainTextPeerIsRetried) {
  for (bool verify : {true, false}) {
    SCOPED_TRACE(verify);
    test::RecordingChannel ch;
    RoleRecord r;
    r.channel = &ch;
    test::ScriptedServer s;
    ASSERT_TRUE(s.start("scripted_proxy.py", {"garbage"}));
    int sock = kInvalidSocket, err = 0;
    ASSERT_EQ(createStreamSocket(sock, err), SocketSetup::Ok);
    ASSERT_EQ(ConnectSocket(err, sock, "127.0.0.1", static_cast<uint16_t>(s.port()), r, 5000), 1);
    TlsSession session(r);
    TlsOptions o;
    o.verify = verify;
    EXPECT_EQ(session.open(sock, "localhost", o), kTlsHandshakeFailed);
    EXPECT_TRUE(ch.has(kLogServer, "change validate mode !")) << ch.dump();
    closeSocket(sock);
  }
}

TEST_F(TlsBindingTest, SilentPeerTimesOutOnTheInjectedClock) {
  FakeClock clock;
  role.clock = &clock;
  connectTo("silent");
  TlsSession session(role);
  TlsOptions o;
  o.dataOutSec = 90;
  EXPECT_EQ(session.open(fd, "localhost", o), kResultTimeout);
  EXPECT_GE(clock.monotonicMs() - 1700000000000, 90000);
}

TEST_F(TlsBindingTest, StopDuringHandshakeIsHonouredWithinASlice) {
  connectTo("silent");
  TlsSession session(role);
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    role.outcome = -5;
    role.stopEvent.set();
  });
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(session.open(fd, "localhost", TlsOptions{}), -5);
  auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
          .count();
  stopper.join();
  // The stop must cut the 90-second data wait short. The bound is loose on purpose: on a
  // loaded two-core machine a thread can wait hundreds of milliseconds to be scheduled.
  EXPECT_LT(ms, 5000);
  EXPECT_EQ(session.close(true), 1);
  EXPECT_FALSE(session.active());
}

}  // namespace
}  // namespace fw

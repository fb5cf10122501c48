// Whole downloads from a real nginx, over one and several Roles.

#include <gtest/gtest.h>

#include "engine/net/tls_functions.h"
#include "support/download_rig.h"
#include "support/nginx_server.h"
#include "support/server_process.h"
#include "support/test_certs.h"

namespace fw {
namespace {

using test::DownloadRig;
using test::faultServerContent;

struct NginxCase {
  const char* name;
  size_t size;
  int split;
  bool throttled;
  int minRoles, maxRoles;
};

class RoleNginx : public ::testing::TestWithParam<NginxCase> {};

TEST_P(RoleNginx, DownloadsExactBytes) {
  const NginxCase& c = GetParam();
  FW_REQUIRE_BINARY(nginx, "nginx");
  test::NginxServer server;
  server.addFile("files/data.bin", faultServerContent(c.size));
  // Slow every connection so that the later Roles start while the first still runs.
  if (c.throttled) server.addHttpConfig("  limit_rate 400k;\n");
  ASSERT_TRUE(server.start(nginx)) << server.error();
  DownloadRig rig;
  rig.job.url = "http://127.0.0.1:" + std::to_string(server.httpPort()) + "/files/data.bin";
  rig.job.splitCount = static_cast<uint8_t>(c.split);
  ASSERT_TRUE(rig.run(60)) << server.errorLog();
  EXPECT_TRUE(rig.host.lastComplete);
  EXPECT_EQ(rig.job.fileSize, static_cast<int64_t>(c.size));
  EXPECT_EQ(rig.job.downloaded, static_cast<int64_t>(c.size));
  std::string got = rig.finalBytes(), want = faultServerContent(c.size);
  size_t diff = 0;
  while (diff < got.size() && diff < want.size() && got[diff] == want[diff]) ++diff;
  EXPECT_TRUE(got == want) << "bytes differ from offset " << diff << " (file " << got.size()
                           << " bytes)";
  for (const PartRange& p : rig.job.parts) {
    ADD_FAILURE() << "range left: " << p.start << "-" << p.end;
  }
  EXPECT_FALSE(rig.tempFileExists());
  EXPECT_GE(rig.rolesStarted(), c.minRoles);
  EXPECT_LE(rig.rolesStarted(), c.maxRoles);
  if (c.minRoles > 1) {
    EXPECT_TRUE(rig.logged(":1Range: bytes=")) << "later Roles ask for their ranges";
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, RoleNginx,
                         ::testing::Values(NginxCase{"Empty", 0, 4, false, 1, 1},
                                           NginxCase{"OneByte", 1, 4, false, 1, 2},
                                           NginxCase{"Small", 5000, 1, false, 1, 1},
                                           NginxCase{"TwoMiBOneRole", 2 << 20, 1, true, 1, 1},
                                           NginxCase{"TwoMiBFourRoles", 2 << 20, 4, true, 4, 4},
                                           NginxCase{"ThreeMiBEightRoles", 3 << 20, 8, true, 8, 8},
                                           NginxCase{"Large15Roles", 256u << 20, 15, false, 2, 15}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RoleNginxTls, HttpsOverFourRoles) {
  FW_REQUIRE_BINARY(nginx, "nginx");
  FW_REQUIRE_BINARY(openssl, "openssl");
  ASSERT_TRUE(loadTlsLibraries()) << "libssl not found";
  test::TempDir certDir{"fwcerts"};
  test::TestCertificates certs = test::makeTestCertificates(certDir.path(), openssl);
  ASSERT_TRUE(certs.error.empty()) << certs.error;
  test::NginxServer server;
  const size_t size = 1 << 20;
  server.addFile("data.bin", faultServerContent(size));
  server.addHttpConfig("  limit_rate 400k;\n");
  size_t site = server.addTlsSite(certs.valid.cert, certs.valid.key);
  ASSERT_TRUE(server.start(nginx)) << server.error();
  DownloadRig rig;
  // The test CA is not in the system store; this test is about the transfer.
  rig.settings.tlsVerify = 0;
  rig.job.url = "https://127.0.0.1:" + std::to_string(server.tlsSites()[site].port) + "/data.bin";
  rig.job.splitCount = 4;
  ASSERT_TRUE(rig.run(60)) << server.errorLog();
  EXPECT_TRUE(rig.host.lastComplete);
  EXPECT_TRUE(rig.finalBytes() == faultServerContent(size));
  EXPECT_EQ(rig.rolesStarted(), 4);
  EXPECT_TRUE(rig.logged("1:1Establishing SSL session"));
}

}  // namespace
}  // namespace fw

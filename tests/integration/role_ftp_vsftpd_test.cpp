// Whole FTP downloads through the job controller and its Roles against vsftpd on
// 127.0.0.1 (anonymous, read-only), one Role and several.

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/download_rig.h"
#include "support/ftp_servers.h"

namespace fw {
namespace {

using test::allLines;
using test::DownloadRig;
using test::faultServerContent;
using test::VsftpdServer;

struct VsCase {
  const char* name;
  size_t size;
  int split;
  bool passive;
};

class RoleFtpVsftpd : public ::testing::TestWithParam<VsCase> {};

TEST_P(RoleFtpVsftpd, DownloadsExactBytes) {
  FW_REQUIRE_BINARY(binary, "vsftpd");
  // vsftpd drops to its unprivileged user for anonymous sessions: it needs root to start.
  if (geteuid() != 0) GTEST_SKIP() << "vsftpd needs to start as root";
  const VsCase& c = GetParam();
  const std::string content = faultServerContent(c.size);
  VsftpdServer server;
  server.addFile("pub/data.bin", content);
  ASSERT_TRUE(server.start(binary)) << server.error();
  DownloadRig rig;
  if (c.passive) {
    ProxyRecord direct;
    direct.flags = proxyflags::kPassive;
    rig.host.proxies.push_back(direct);
    rig.job.ftpProxy = 1;
  }
  rig.job.url = server.url("pub/data.bin");
  rig.job.splitCount = c.split;
  ASSERT_TRUE(rig.run(60)) << allLines(rig);
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_TRUE(rig.finalBytes() == content) << "got " << rig.finalBytes().size() << " bytes\n"
                                           << allLines(rig);
  EXPECT_EQ(rig.job.downloaded, static_cast<int64_t>(c.size));
  EXPECT_FALSE(rig.tempFileExists());
}

INSTANTIATE_TEST_SUITE_P(Sizes, RoleFtpVsftpd,
                         ::testing::Values(VsCase{"emptyFile", 0, 1, true},
                                           VsCase{"oneRoleActive", 200000, 1, false},
                                           VsCase{"fourRolesPassive", 4u << 20, 4, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fw

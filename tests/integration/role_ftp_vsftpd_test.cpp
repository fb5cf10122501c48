// Whole FTP downloads through the job controller and its Roles against vsftpd on
// 127.0.0.1 (anonymous, read-only), one Role and several.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/download_rig.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

namespace fs = std::filesystem;
using test::allLines;
using test::DownloadRig;
using test::faultServerContent;

class Vsftpd {
 public:
  Vsftpd(const std::string& binary, size_t size) : content(faultServerContent(size)) {
    // vsftpd serves anonymous users from a root it does not own and may not write.
    m_dir.write("root/pub/data.bin", content);
    fs::create_directories(m_dir.file("empty"));
    const auto open = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                      fs::perms::others_read | fs::perms::others_exec;
    for (const char* d : {"", "/root", "/root/pub", "/empty"}) {
      fs::permissions(m_dir.path() + d, open);
    }
    fs::permissions(m_dir.file("root/pub/data.bin"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                        fs::perms::others_read);
    port = test::freeTcpPort();
    std::ofstream(m_dir.file("vsftpd.conf"))
        << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << port
        << "\nbackground=NO\nanonymous_enable=YES\nlocal_enable=NO\nwrite_enable=NO\n"
        << "anon_root=" << m_dir.file("root") << "\nno_anon_password=YES\n"
        << "secure_chroot_dir=" << m_dir.file("empty") << "\nseccomp_sandbox=NO\n"
        << "pasv_enable=YES\npasv_address=127.0.0.1\nxferlog_enable=NO\n"
        << "vsftpd_log_file=" << m_dir.file("vsftpd.log") << "\n";
    m_ok = m_proc.start({binary, m_dir.file("vsftpd.conf")}, m_dir.file("out.log")) &&
           test::waitForTcpPort(port, 10000);
  }
  ~Vsftpd() { m_proc.stop(); }
  bool ok() const { return m_ok; }
  std::string url() const { return "ftp://127.0.0.1:" + std::to_string(port) + "/pub/data.bin"; }
  std::string log() const { return test::readFileText(m_dir.file("out.log")); }

  std::string content;
  int port = 0;

 private:
  test::TempDir m_dir{"fwvsftpd"};
  test::ServerProcess m_proc;
  bool m_ok = false;
};

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
  Vsftpd server(binary, c.size);
  ASSERT_TRUE(server.ok()) << server.log();
  DownloadRig rig;
  if (c.passive) {
    ProxyRecord direct;
    direct.flags = proxyflags::kPassive;
    rig.host.proxies.push_back(direct);
    rig.job.ftpProxy = 1;
  }
  rig.job.url = server.url();
  rig.job.splitCount = c.split;
  ASSERT_TRUE(rig.run(60)) << allLines(rig);
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_TRUE(rig.finalBytes() == server.content) << "got " << rig.finalBytes().size() << " bytes\n"
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

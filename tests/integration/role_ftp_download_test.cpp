// Whole FTP downloads through the job controller and its Roles against the scripted
// pyftpdlib server on 127.0.0.1.

#include <gtest/gtest.h>

#include "support/download_rig.h"
#include "support/ftp_servers.h"

namespace fw {
namespace {

using test::allLines;
using test::countLogged;
using test::DownloadRig;
using test::faultServerContent;

// The scripted server serving one file of `size` bytes as "pub/data.bin".
class FtpServer {
 public:
  FtpServer(size_t size, const std::vector<std::string>& faults)
      : content(faultServerContent(size)) {
    m_server.addFile("pub/data.bin", content);
    m_ok = m_server.start(faults);
  }
  bool ok() const { return m_ok; }
  std::string url() const { return m_server.url("pub/data.bin"); }
  std::string log() const { return m_server.error() + m_server.log(); }

  std::string content;

 private:
  test::PyftpdlibServer m_server;
  bool m_ok = false;
};

#define REQUIRE_PYFTPDLIB()                                            \
  do {                                                                 \
    if (!test::PyftpdlibServer::available()) {                         \
      if (test::runningInCi()) FAIL() << "python3-pyftpdlib missing";  \
      GTEST_SKIP() << "python3-pyftpdlib missing (install it to run)"; \
    }                                                                  \
  } while (0)

// Passive data connections come from the proxy record the job names.
void usePassive(DownloadRig& rig) {
  ProxyRecord direct;
  direct.flags = proxyflags::kPassive;
  rig.host.proxies.push_back(direct);
  rig.job.ftpProxy = 1;
}

struct WholeCase {
  const char* name;
  bool passive;
  std::vector<std::string> faults;
};

class RoleFtpWhole : public ::testing::TestWithParam<WholeCase> {};

TEST_P(RoleFtpWhole, OneRoleFetchesTheExactFile) {
  REQUIRE_PYFTPDLIB();
  const WholeCase& c = GetParam();
  FtpServer server(150000, c.faults);
  ASSERT_TRUE(server.ok()) << server.log();
  DownloadRig rig;
  if (c.passive) usePassive(rig);
  rig.job.url = server.url();
  ASSERT_TRUE(rig.run(30)) << allLines(rig);
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_EQ(rig.job.fileName, "data.bin");
  EXPECT_TRUE(rig.finalBytes() == server.content) << allLines(rig);
  EXPECT_FALSE(rig.tempFileExists());
  EXPECT_EQ(rig.job.downloaded, 150000);
  EXPECT_EQ(rig.job.fileSize, 150000);
  EXPECT_TRUE(rig.logged("Login Successful"));
  EXPECT_TRUE(rig.logged("TYPE I"));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, RoleFtpWhole,
    ::testing::Values(WholeCase{"active", false, {}}, WholeCase{"passive", true, {}},
                      WholeCase{"loginWithoutPass", true, {"user230"}},
                      WholeCase{"multilineLogin", false, {"multiline230"}},
                      // The announced address is unreachable: the Role goes to the control
                      // connection's peer.
                      WholeCase{"pasvAnnouncesOtherHost", true, {"pasv-other"}},
                      // Every session breaks after 40000 bytes: each retry resumes where
                      // the last one stopped.
                      WholeCase{"resumesAfterDrops", true, {"drop=40000"}},
                      // No restart offsets: the file comes in one piece from byte 0.
                      WholeCase{"serverWithoutRest", true, {"rest502"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Several Roles each fetch their own range with a restart offset; the file is whole and
// in order.
TEST(RoleFtpSplit, ThreeRolesFetchRangesWithRest) {
  REQUIRE_PYFTPDLIB();
  FtpServer server(3u << 20, {});
  ASSERT_TRUE(server.ok()) << server.log();
  DownloadRig rig;
  usePassive(rig);
  rig.job.url = server.url();
  rig.job.splitCount = 3;
  ASSERT_TRUE(rig.run(60)) << allLines(rig);
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_TRUE(rig.finalBytes() == server.content) << "size " << rig.finalBytes().size();
  EXPECT_EQ(rig.job.downloaded, 3 << 20);
  EXPECT_GE(rig.rolesStarted(), 2);
  // A range starting past byte 0 is only fetched after a restart offset.
  int rests = 0;
  for (const std::string& l : rig.logLines()) {
    size_t at = l.find("REST ");
    if (at != std::string::npos && l.compare(at, 6, "REST 0") != 0) ++rests;
  }
  EXPECT_GE(rests, 1) << allLines(rig);
}

// A job stopped by the user keeps its partial file; the next run logs in again, reopens
// it and fetches the rest from where the first run stopped.
TEST(RoleFtpStop, StopThenRestartResumesWithTheRightBytes) {
  REQUIRE_PYFTPDLIB();
  FtpServer server(300000, {"rate=100000"});
  ASSERT_TRUE(server.ok()) << server.log();
  DownloadRig rig;
  usePassive(rig);
  rig.job.url = server.url();
  rig.everySecond = [](JobController& ctl, int s) {
    if (s == 2) ctl.command(CtlStopAll, 0);
  };
  ASSERT_TRUE(rig.run(30)) << allLines(rig);
  EXPECT_FALSE(rig.host.lastComplete);
  EXPECT_TRUE(rig.tempFileExists());
  EXPECT_TRUE(rig.logged("Thread Caclled by user")) << allLines(rig);
  const int64_t partial = rig.job.downloaded;
  EXPECT_GT(partial, 0);
  EXPECT_LT(partial, 300000);
  rig.everySecond = nullptr;
  ASSERT_TRUE(rig.run(30)) << allLines(rig);
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_TRUE(rig.finalBytes() == server.content);
  EXPECT_TRUE(rig.logged("REST " + std::to_string(partial))) << allLines(rig);
}

// A server that refuses every form of the fetch command: the Role tries the five forms,
// then ends with an error and the job is not complete.
TEST(RoleFtpRefused, RetrRefusedFiveTimesEndsTheJob) {
  REQUIRE_PYFTPDLIB();
  FtpServer server(20000, {"retr550"});
  ASSERT_TRUE(server.ok()) << server.log();
  DownloadRig rig;
  usePassive(rig);
  rig.job.url = server.url();
  ASSERT_TRUE(rig.run(30)) << allLines(rig);
  EXPECT_FALSE(rig.host.lastComplete);
  EXPECT_EQ(countLogged(rig, "RETR "), 5) << allLines(rig);
  EXPECT_TRUE(rig.logged("Error occured!")) << allLines(rig);
  EXPECT_EQ(rig.job.flags & jobflags::kComplete, 0);
  EXPECT_EQ(rig.job.downloaded, 0);
}

}  // namespace
}  // namespace fw

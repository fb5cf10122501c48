// FTP downloads of text files in ASCII mode ("TYPE A"), where the server sends CRLF line
// ends and so more bytes than its SIZE answer (which counts the stored bytes): the job
// takes the transfer's own length, with one Role and with several asked for, while a
// binary file next to it keeps "TYPE I" and its exact bytes.

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/download_rig.h"
#include "support/ftp_servers.h"

namespace fw {
namespace {

using test::allLines;
using test::countLogged;
using test::DownloadRig;
using test::FtpTestServer;
using test::PyftpdlibServer;
using test::VsftpdServer;

// The transfer type of the fetch: the last "TYPE" command a Role sent before its first
// "RETR" (listings go in "TYPE A" whatever the file).
std::string fetchType(const DownloadRig& rig) {
  std::string type;
  for (const std::string& l : rig.logLines()) {
    if (l.find("RETR ") != std::string::npos) return type;
    size_t at = l.find("TYPE ");
    if (at != std::string::npos) type = l.substr(at);
  }
  return "no RETR";
}

// Restart offsets other than the resume probe ("REST 100", "REST 0").
int restartOffsets(const DownloadRig& rig) {
  int n = 0;
  for (const std::string& l : rig.logLines()) {
    size_t at = l.find("REST ");
    if (at == std::string::npos) continue;
    std::string arg = l.substr(at + 5);
    n += arg != "100" && arg != "0" ? 1 : 0;
  }
  return n;
}

void usePassive(DownloadRig& rig, bool passive) {
  if (!passive) return;
  ProxyRecord direct;
  direct.flags = proxyflags::kPassive;
  rig.host.proxies.push_back(direct);
  rig.job.ftpProxy = 1;
}

struct AsciiCase {
  const char* name;
  int split;
  bool passive;
  const char* asciiMode;  // the "ASCIIMode" setting
};

class RoleFtpAscii : public ::testing::TestWithParam<AsciiCase> {};

TEST_P(RoleFtpAscii, TextComesWithCrlfAndBinaryStaysExact) {
  FW_REQUIRE_BINARY(binary, "vsftpd");
  if (geteuid() != 0) GTEST_SKIP() << "vsftpd needs to start as root";
  const AsciiCase& c = GetParam();
  const std::string text = test::sampleText(400);
  const std::string binaryContent = test::faultServerContent(300000);
  VsftpdServer server;
  server.asciiDownload = true;
  server.addFile("pub/notes.txt", text);
  server.addFile("pub/data.bin", binaryContent);
  ASSERT_TRUE(server.start(binary)) << server.error();

  DownloadRig rig;
  rig.settings.asciiMode = c.asciiMode;
  usePassive(rig, c.passive);
  rig.job.url = server.url("pub/notes.txt");
  rig.job.splitCount = static_cast<uint8_t>(c.split);
  ASSERT_TRUE(rig.run(60)) << allLines(rig);
  const std::string expected = test::crlfText(text);
  ASSERT_GT(expected.size(), text.size());
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_TRUE(rig.finalBytes() == expected)
      << "got " << rig.finalBytes().size() << " bytes of " << expected.size() << "\n"
      << allLines(rig);
  EXPECT_EQ(rig.job.downloaded, static_cast<int64_t>(expected.size()));
  EXPECT_EQ(rig.job.fileSize, static_cast<int64_t>(expected.size()));
  EXPECT_FALSE(rig.tempFileExists());
  EXPECT_EQ(fetchType(rig), "TYPE A") << allLines(rig);
  // The stored length is not the transfer's: nothing may cut the file at it or offer a
  // restart offset into it.
  EXPECT_FALSE(rig.logged("File size already changed!")) << allLines(rig);
  EXPECT_EQ(countLogged(rig, "RETR "), 1) << allLines(rig);
  EXPECT_EQ(restartOffsets(rig), 0) << allLines(rig);

  DownloadRig bin;
  bin.settings.asciiMode = c.asciiMode;
  usePassive(bin, c.passive);
  bin.job.url = server.url("pub/data.bin");
  bin.job.splitCount = static_cast<uint8_t>(c.split);
  ASSERT_TRUE(bin.run(60)) << allLines(bin);
  EXPECT_TRUE(bin.host.lastComplete) << allLines(bin);
  EXPECT_TRUE(bin.finalBytes() == binaryContent) << "got " << bin.finalBytes().size() << " bytes";
  EXPECT_EQ(fetchType(bin), "TYPE I") << allLines(bin);
  EXPECT_EQ(bin.job.fileSize, static_cast<int64_t>(binaryContent.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, RoleFtpAscii,
    ::testing::Values(AsciiCase{"oneRolePassive", 1, true, ".TXT"},
                      AsciiCase{"threeRolesPassive", 3, true, ".TXT"},
                      // The setting is compared without case and may list several types.
                      AsciiCase{"threeRolesActiveLowerCaseList", 3, false, ".log;.txt;.htm"}),
    [](const auto& info) { return std::string(info.param.name); });

// A text transfer broken part-way: the restart offset of ASCII mode counts the server's
// stored bytes, not the ones received, so the Role fetches the file again from its start
// and the result is still exact.
TEST(RoleFtpAsciiResume, BrokenTextTransferStartsAgainFromByteZero) {
  if (!PyftpdlibServer::available()) {
    if (test::runningInCi()) FAIL() << "python3-pyftpdlib missing";
    GTEST_SKIP() << "python3-pyftpdlib missing (install it to run)";
  }
  const std::string text = test::sampleText(3000);
  PyftpdlibServer server;
  server.addFile("pub/notes.txt", text);
  ASSERT_TRUE(server.start({"drop-once=20000"})) << server.error();
  DownloadRig rig;
  usePassive(rig, true);
  rig.job.url = server.url("pub/notes.txt");
  rig.job.splitCount = 2;
  ASSERT_TRUE(rig.run(60)) << allLines(rig);
  const std::string expected = test::crlfText(text);
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig) << server.log();
  EXPECT_TRUE(rig.finalBytes() == expected)
      << "got " << rig.finalBytes().size() << " bytes of " << expected.size() << "\n"
      << allLines(rig);
  EXPECT_EQ(rig.job.downloaded, static_cast<int64_t>(expected.size()));
  EXPECT_EQ(countLogged(rig, "RETR "), 2) << allLines(rig);
  EXPECT_EQ(restartOffsets(rig), 0) << allLines(rig);
  EXPECT_TRUE(rig.logged("Error occured!")) << allLines(rig);
}

// A text job stopped part-way keeps its partial file; the next run fetches the text again
// from byte 0 over it (no restart offset) and ends with the exact text.
TEST(RoleFtpAsciiResume, StoppedTextJobIsFetchedAnewOnItsNextRun) {
  if (!PyftpdlibServer::available()) {
    if (test::runningInCi()) FAIL() << "python3-pyftpdlib missing";
    GTEST_SKIP() << "python3-pyftpdlib missing (install it to run)";
  }
  const std::string text = test::sampleText(8000);
  PyftpdlibServer server;
  server.addFile("pub/notes.txt", text);
  ASSERT_TRUE(server.start({"rate=60000"})) << server.error();
  DownloadRig rig;
  rig.job.url = server.url("pub/notes.txt");
  rig.everySecond = [](JobController& ctl, int s) {
    if (s == 2) ctl.command(CtlStopAll, 0);
  };
  ASSERT_TRUE(rig.run(30)) << allLines(rig);
  ASSERT_FALSE(rig.host.lastComplete);
  EXPECT_GT(rig.job.downloaded, 0);
  EXPECT_TRUE(rig.tempFileExists());
  rig.everySecond = nullptr;
  rig.host.logLines.clear();
  ASSERT_TRUE(rig.run(60)) << allLines(rig);
  const std::string expected = test::crlfText(text);
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_TRUE(rig.finalBytes() == expected)
      << "got " << rig.finalBytes().size() << " bytes of " << expected.size();
  EXPECT_EQ(restartOffsets(rig), 0) << allLines(rig);
}

}  // namespace
}  // namespace fw

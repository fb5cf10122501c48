// Further whole FTP downloads through the job controller: active mode with several Roles
// against vsftpd, a file whose size the server does not tell, a login from the URL, and a
// path that needs percent-decoding.

#include <gtest/gtest.h>
#include <unistd.h>

#include <set>

#include "support/download_rig.h"
#include "support/ftp_servers.h"

namespace fw {
namespace {

using test::allLines;
using test::countLogged;
using test::DownloadRig;
using test::PyftpdlibServer;
using test::VsftpdServer;

// The Roles that sent a fetch command.
std::set<char> fetchingRoles(const DownloadRig& rig) {
  std::set<char> roles;
  for (const std::string& l : rig.logLines()) {
    if (l.find(":1RETR ") != std::string::npos) roles.insert(l[0]);
  }
  return roles;
}

#define REQUIRE_PYFTPDLIB()                                            \
  do {                                                                 \
    if (!PyftpdlibServer::available()) {                               \
      if (test::runningInCi()) FAIL() << "python3-pyftpdlib missing";  \
      GTEST_SKIP() << "python3-pyftpdlib missing (install it to run)"; \
    }                                                                  \
  } while (0)

// Every Role's data connection comes from the server to a port the Role listens on.
TEST(RoleFtpActive, FourRolesInActiveModeFromVsftpd) {
  FW_REQUIRE_BINARY(binary, "vsftpd");
  if (geteuid() != 0) GTEST_SKIP() << "vsftpd needs to start as root";
  const std::string content = test::faultServerContent(6u << 20);
  VsftpdServer server;
  // Slow enough per session that the other Roles find work before Role 1 is through.
  server.maxRate = 2u << 20;
  server.addFile("pub/big.bin", content);
  ASSERT_TRUE(server.start(binary)) << server.error();
  DownloadRig rig;
  rig.job.url = server.url("pub/big.bin");
  rig.job.splitCount = 4;
  ASSERT_TRUE(rig.run(90)) << allLines(rig);
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_TRUE(rig.finalBytes() == content) << "got " << rig.finalBytes().size() << " bytes";
  EXPECT_FALSE(rig.logged(":1PASV")) << allLines(rig);
  EXPECT_GE(countLogged(rig, ":1PORT 127,0,0,1,"), 2) << allLines(rig);
  EXPECT_GE(fetchingRoles(rig).size(), 2u) << allLines(rig);
}

// Without a size there are no ranges: Role 1 fetches the one stream to its end (confirmed
// by the server's 226) and no other Role is started.
TEST(RoleFtpUnsized, SeveralRolesAskedForOneFetches) {
  REQUIRE_PYFTPDLIB();
  const std::string content = test::faultServerContent(3u << 20);
  PyftpdlibServer server;
  server.addFile("pub/data.bin", content);
  ASSERT_TRUE(server.start({"size502"})) << server.error();
  DownloadRig rig;
  rig.job.url = server.url("pub/data.bin");
  rig.job.splitCount = 3;
  ASSERT_TRUE(rig.run(60)) << allLines(rig);
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_TRUE(rig.finalBytes() == content) << "got " << rig.finalBytes().size() << " bytes\n"
                                           << allLines(rig);
  EXPECT_EQ(rig.job.fileSize, static_cast<int64_t>(content.size()));
  EXPECT_EQ(countLogged(rig, "File size unknown, can't start other parts."), 1) << allLines(rig);
  EXPECT_EQ(fetchingRoles(rig), std::set<char>{'1'}) << allLines(rig);
  EXPECT_EQ(rig.rolesStarted(), 1) << allLines(rig);
}

// The URL's user name and password log in; the password never shows in the log. A wrong
// password is refused by the server and the job ends after its retries, not complete.
TEST(RoleFtpLogin, UrlCredentialsAndARefusedPassword) {
  REQUIRE_PYFTPDLIB();
  const std::string content = test::faultServerContent(50000);
  PyftpdlibServer server;
  server.addFile("pub/data.bin", content);
  ASSERT_TRUE(server.start()) << server.error();
  const std::string at = "@127.0.0.1:" + std::to_string(server.port()) + "/pub/data.bin";

  DownloadRig rig;
  rig.job.url = "ftp://tester:secret" + at;
  ASSERT_TRUE(rig.run(30)) << allLines(rig);
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_TRUE(rig.finalBytes() == content);
  EXPECT_TRUE(rig.logged(":1USER tester")) << allLines(rig);
  EXPECT_TRUE(rig.logged(":1PASS *********"));
  EXPECT_FALSE(rig.logged("secret"));

  DownloadRig wrong;
  wrong.settings.retryNum = 1;
  wrong.job.url = "ftp://tester:wrong" + at;
  ASSERT_TRUE(wrong.run(30)) << allLines(wrong);
  EXPECT_FALSE(wrong.host.lastComplete);
  EXPECT_TRUE(wrong.logged(":3530 ")) << allLines(wrong);
  EXPECT_FALSE(wrong.logged("RETR "));
  EXPECT_TRUE(wrong.logged("Reach Max Error,Role Halt!")) << allLines(wrong);
}

// A name with a space, written "%20" in the URL, is sent decoded and saved decoded.
TEST(RoleFtpPath, PercentEncodedNameIsDecoded) {
  REQUIRE_PYFTPDLIB();
  const std::string content = test::faultServerContent(40000);
  PyftpdlibServer server;
  server.addFile("pub/two words.bin", content);
  ASSERT_TRUE(server.start()) << server.error();
  DownloadRig rig;
  rig.job.url = server.url("pub/two%20words.bin");
  ASSERT_TRUE(rig.run(30)) << allLines(rig);
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_EQ(rig.job.fileName, "two words.bin");
  EXPECT_TRUE(rig.finalBytes() == content);
  EXPECT_TRUE(rig.logged(":1RETR /pub/two words.bin")) << allLines(rig);
}

}  // namespace
}  // namespace fw

// Whole downloads through the job controller and its Roles against a scripted HTTP
// server that misbehaves on demand.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "support/download_rig.h"
#include "support/server_process.h"

namespace fw {
namespace {

using test::DownloadRig;
using test::faultServerContent;

class FaultServer {
 public:
  explicit FaultServer(const std::string& configJson) {
    std::ofstream(m_dir.file("config.json")) << configJson;
    std::string script = std::string(FW_SOURCE_DIR) + "/tests/servers/http_fault_server.py";
    std::string python = test::findBinary("python3");
    m_ok = !python.empty() && m_proc.start({python, script, m_dir.file("config.json"),
                                            m_dir.file("port"), m_dir.file("requests.log")},
                                           m_dir.file("server.log"));
    for (int i = 0; i < 200 && m_ok && !std::filesystem::exists(m_dir.file("port")); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    std::string port = test::readFileText(m_dir.file("port"));
    m_port = port.empty() ? 0 : std::stoi(port);
  }
  ~FaultServer() { m_proc.stop(); }
  bool ok() const { return m_port > 0; }
  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
  }
  std::vector<std::string> requests() const {
    std::vector<std::string> out;
    std::istringstream in(test::readFileText(m_dir.file("requests.log")));
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
  }
  int port() const { return m_port; }

 private:
  test::TempDir m_dir{"fwfault"};
  test::ServerProcess m_proc;
  bool m_ok = false;
  int m_port = 0;
};

std::string hostLine(const FaultServer& s) {
  return "Host: 127.0.0.1:" + std::to_string(s.port());
}

TEST(RoleDownload, SingleRoleWholeFileWithExactRequest) {
  FaultServer server(R"({"files": {"/a/data.bin": {"size": 100000}}})");
  ASSERT_TRUE(server.ok());
  DownloadRig rig;
  rig.job.url = server.url("/a/data.bin");
  ASSERT_TRUE(rig.run(30));
  EXPECT_TRUE(rig.host.lastComplete);
  EXPECT_EQ(rig.job.fileName, "data.bin");
  EXPECT_EQ(rig.finalBytes(), faultServerContent(100000));
  EXPECT_FALSE(rig.tempFileExists());
  EXPECT_EQ(rig.job.downloaded, 100000);
  auto reqs = server.requests();
  ASSERT_EQ(reqs.size(), 1u);
  EXPECT_EQ(reqs[0],
            "GET /a/data.bin HTTP/1.1 | " + hostLine(server) +
                " | Accept: */* | Referer: http://127.0.0.1:" + std::to_string(server.port()) +
                "/a | User-Agent: Fetchwright | Connection: close");
  EXPECT_TRUE(rig.logged("1:0Start Receiving Data!"));
  EXPECT_TRUE(rig.logged("1:2Thread finished"));
  EXPECT_EQ(rig.rolesStarted(), 1);
}

// One misbehaving file per case: what the job must end with.
struct FaultCase {
  const char* name;
  const char* files;              // the "files" object of the server's configuration
  const char* path;               // what the job fetches
  int size;                       // bytes expected in the final file; -1: the job does not complete
  std::vector<const char*> logs;  // lines some Role must have logged (contained)
  std::vector<const char*> requestParts;  // texts request i must contain, in order
  bool failed = false;                    // the job ends marked failed
  const char* fileName = "d.bin";
  int dataOutSec = 5;
  bool altUrl = false;
  int requestCount = -1;  // requests the server must have seen in all; -1: not checked
};

class RoleFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(RoleFaults, EndsAsExpected) {
  const FaultCase& c = GetParam();
  FaultServer server(std::string(R"({"files": )") + c.files + "}");
  ASSERT_TRUE(server.ok());
  DownloadRig rig;
  rig.job.url = server.url(c.path);
  rig.settings.dataOutSec = c.dataOutSec;
  if (c.altUrl) rig.job.altUrls = {server.url("/alt.bin")};
  ASSERT_TRUE(rig.run(40));
  if (c.size >= 0) {
    EXPECT_TRUE(rig.host.lastComplete);
    EXPECT_EQ(rig.job.fileName, c.fileName);
    EXPECT_TRUE(rig.finalBytes() == faultServerContent(static_cast<size_t>(c.size)))
        << "final file differs (" << rig.finalBytes().size() << " bytes)";
    EXPECT_FALSE(rig.tempFileExists());
  } else {
    EXPECT_FALSE(rig.host.lastComplete);
  }
  EXPECT_EQ((rig.job.flags & jobflags::kFailed) != 0, c.failed);
  for (const char* text : c.logs) EXPECT_TRUE(rig.logged(text)) << "not logged: " << text;
  auto reqs = server.requests();
  if (c.requestCount >= 0) EXPECT_EQ(reqs.size(), static_cast<size_t>(c.requestCount));
  ASSERT_GE(reqs.size(), c.requestParts.size());
  for (size_t i = 0; i < c.requestParts.size(); ++i) {
    EXPECT_NE(reqs[i].find(c.requestParts[i]), std::string::npos)
        << "request " << i << ": " << reqs[i];
  }
  if (::testing::Test::HasFailure()) {
    for (const std::string& l : rig.logLines()) std::cerr << l << "\n";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RoleFaults,
    ::testing::Values(
        FaultCase{"DroppedMidBody",
                  R"({"/d.bin": {"size": 100000, "drop_after": 30000, "times": 1}})",
                  "/d.bin",
                  100000,
                  {"Error occured!, Wait 1 second retry"},
                  {"GET /d.bin HTTP/1.1", "Range: bytes=30000-"}},
        FaultCase{"StallLongerThanDataOut",
                  R"({"/d.bin": {"size": 60000, "stall_after": 20000, "stall_ms": 4000,
                      "times": 1}})",
                  "/d.bin",
                  60000,
                  {"Wait time out! thread Close."},
                  {"GET /d.bin", "Range: bytes=20000-"},
                  false,
                  "d.bin",
                  1},
        FaultCase{"RangeAnsweredWholeNoAlternate",
                  R"({"/d.bin": {"size": 80000, "drop_after": 30000, "ignore_range": true,
                      "times": 2}})",
                  "/d.bin",
                  80000,
                  {"This site can't resume broken downloads."},
                  {"GET /d.bin", "Range: bytes=30000-", "GET /d.bin"}},
        FaultCase{"RangeAnsweredWholeTakesAlternate",
                  R"({"/d.bin": {"size": 80000, "drop_after": 30000, "ignore_range": true,
                      "times": 2}, "/alt.bin": {"size": 80000}})",
                  "/d.bin",
                  80000,
                  {},
                  {"GET /d.bin", "Range: bytes=30000-", "GET /alt.bin"},
                  false,
                  "d.bin",
                  5,
                  true},
        FaultCase{"ChangedSizeOn206",
                  R"({"/d.bin": {"size": 80000, "drop_after": 30000, "total_shift": 7,
                      "times": 2}})",
                  "/d.bin",
                  -1,
                  {"File size already changed!", "Thread Closed"},
                  {"GET /d.bin", "Range: bytes=30000-"}},
        FaultCase{"ChangedSizeOn200",
                  R"({"/d.bin": {"size": 80000, "drop_after": 30000, "ignore_range": true,
                      "changed_size": 90000, "times": 2}})",
                  "/d.bin",
                  -1,
                  {"File size already changed!", "Error occured!"},
                  {"GET /d.bin", "Range: bytes=30000-"},
                  true},
        FaultCase{"PartialFromTheWrongByte",
                  R"({"/d.bin": {"size": 80000, "drop_after": 30000, "range_start_shift": 1,
                      "times": 2}})",
                  "/d.bin",
                  -1,
                  {"File size already changed!"},
                  {"GET /d.bin", "Range: bytes=30000-"}},
        FaultCase{"RedirectChainRelativeThenAbsolute",
                  R"({"/r1": {"status": 302, "location": "/r2"},
                      "/r2": {"status": 301, "location": "PORT_ABS/d.bin"},
                      "/d.bin": {"size": 5000}})",
                  "/r1",
                  5000,
                  {"Redirect to "},
                  {"GET /r1", "GET /r2", "GET /d.bin"}},
        FaultCase{"RedirectsOf303And307And308AreFollowed",
                  R"({"/r1": {"status": 303, "location": "/r2"},
                      "/r2": {"status": 307, "location": "/r3"},
                      "/r3": {"status": 308, "location": "PORT_ABS/d.bin"},
                      "/d.bin": {"size": 5000}})",
                  "/r1",
                  5000,
                  {"Redirect to http://127.0.0.1:"},
                  {"GET /r1", "GET /r2", "GET /r3", "GET /d.bin"}},
        // Twenty redirects are followed; the twenty-first fails the job without a retry.
        FaultCase{"RedirectLoopFailsAtOnce",
                  R"({"/loop": {"status": 302, "location": "/loop"}})",
                  "/loop",
                  -1,
                  {"Too many redirects"},
                  {"GET /loop"},
                  true,
                  "loop",
                  5,
                  false,
                  21},
        FaultCase{"ChunkedBodyOfUnknownSize",
                  R"({"/d.bin": {"size": 50000, "chunked": true}})",
                  "/d.bin",
                  50000,
                  {"File size unknown, can't start other parts."},
                  {"GET /d.bin HTTP/1.1"}},
        FaultCase{"Http10Server",
                  R"({"/d.bin": {"size": 40000, "http10": true}})",
                  "/d.bin",
                  40000,
                  {"HTTP/1.0 200 OK"},
                  {"GET /d.bin HTTP/1.1"}},
        FaultCase{"ContentDispositionName",
                  R"({"/get": {"size": 3000, "disposition": "report 1.zip"}})",
                  "/get",
                  3000,
                  {},
                  {"GET /get"},
                  false,
                  "report 1.zip"},
        FaultCase{"BadRequestForASpace",
                  R"({"/a": {"status": 400}, "/a%20b.bin": {"size": 2000}})",
                  "/a b.bin",
                  2000,
                  {},
                  {"GET /a b.bin", "GET /a%20b.bin"},
                  false,
                  "a b.bin"},
        FaultCase{"CloseAfterHead",
                  R"({"/d.bin": {"size": 30000, "close_after_head": true, "times": 1}})",
                  "/d.bin",
                  30000,
                  {"Error occured!, Wait 1 second retry"},
                  {"GET /d.bin", "GET /d.bin"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RoleDownload, ARequestLongerThanTheLineSenderTakesEndsTheRoleWithItsReason) {
  FaultServer server(R"({"files": {"/a/data.bin": {"size": 1000}}})");
  ASSERT_TRUE(server.ok());
  DownloadRig rig;
  rig.job.url = server.url("/a/data.bin?" + std::string(2100, 'q'));
  ASSERT_TRUE(rig.run(30));
  EXPECT_FALSE(rig.host.lastComplete);
  EXPECT_TRUE(rig.logged("not sent.")) << "the reason is in the log";
  EXPECT_TRUE(rig.logged("Error occured!"));
  EXPECT_TRUE(server.requests().empty()) << "nothing of the request went out";
}

TEST(RoleDownload, HostNameIsLookedUpThroughTheController) {
  FaultServer server(R"({"files": {"/d.bin": {"size": 20000}}})");
  ASSERT_TRUE(server.ok());
  DownloadRig rig;
  rig.job.url = "http://localhost:" + std::to_string(server.port()) + "/d.bin";
  ASSERT_TRUE(rig.run(20));
  EXPECT_TRUE(rig.host.lastComplete);
  EXPECT_TRUE(rig.finalBytes() == faultServerContent(20000));
  EXPECT_TRUE(rig.logged("[IP=127.0.0.1:" + std::to_string(server.port()) + " ]"));
}

TEST(RoleDownload, CookiesFollowTheUrlAcrossARedirect) {
  FaultServer server(R"({"files": {"/login/r1": {"status": 302, "location": "/pub/d.bin"},
                                   "/pub/d.bin": {"size": 1000}}})");
  ASSERT_TRUE(server.ok());
  DownloadRig rig;
  rig.job.url = server.url("/login/r1");
  rig.cookies = [](const std::string& url) {
    return url.find("/login/") != std::string::npos ? std::string("session=s3cret") : "";
  };
  ASSERT_TRUE(rig.run(20));
  EXPECT_TRUE(rig.host.lastComplete);
  auto reqs = server.requests();
  ASSERT_EQ(reqs.size(), 2u);
  EXPECT_NE(reqs[0].find("Cookie: session=s3cret"), std::string::npos) << reqs[0];
  EXPECT_EQ(reqs[1].find("Cookie:"), std::string::npos) << "cookie leaked: " << reqs[1];
}

TEST(RoleDownload, StopThenRestartResumesWithTheRightBytes) {
  FaultServer server(R"({"files": {"/d.bin": {"size": 300000, "rate": 100000}}})");
  ASSERT_TRUE(server.ok());
  DownloadRig rig;
  rig.job.url = server.url("/d.bin");
  rig.everySecond = [](JobController& ctl, int s) {
    if (s == 2) ctl.command(CtlStopAll, 0);
  };
  ASSERT_TRUE(rig.run(30));
  EXPECT_FALSE(rig.host.lastComplete);
  EXPECT_EQ(rig.job.flags & jobflags::kFailed, 0);
  EXPECT_TRUE(rig.tempFileExists());
  EXPECT_TRUE(rig.logged("Thread Caclled by user"));
  int64_t partial = rig.job.downloaded;
  EXPECT_GT(partial, 0);
  EXPECT_LT(partial, 300000);
  rig.everySecond = nullptr;
  ASSERT_TRUE(rig.run(30));
  EXPECT_TRUE(rig.host.lastComplete);
  EXPECT_TRUE(rig.finalBytes() == faultServerContent(300000));
  auto reqs = server.requests();
  ASSERT_EQ(reqs.size(), 2u);
  EXPECT_NE(reqs[1].find("Range: bytes=" + std::to_string(partial) + "-"), std::string::npos)
      << reqs[1];
}

}  // namespace
}  // namespace fw

// Whole downloads through the job controller and its Roles against a scripted HTTP
// server that misbehaves on demand.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

}  // namespace
}  // namespace fw

// The update check against a local nginx, a server that never answers and no server at
// all; the "Check Newest Version" window's texts on a fake clock.

#include "jobs/update_check.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "jobs/service_monitor_host.h"
#include "jobs/update_response.h"
#include "jobs/update_window.h"
#include "platform/fake_clock.h"
#include "support/nginx_server.h"
#include "support/scripted_runner.h"

namespace fw {
namespace {

using namespace std::chrono_literals;

UpdateEndpoint localEndpoint(int port, const std::string& path = "/images/Update.ini") {
  UpdateEndpoint e;
  e.host = "127.0.0.1";
  e.port = static_cast<uint16_t>(port);
  e.path = path;
  e.downloadPage = "http://127.0.0.1/download.html";
  e.homePage = "http://127.0.0.1/";
  return e;
}

// Runs `loop` (real time) until `done`, 10 s at most.
bool pumpUntil(MessageLoop& loop, const std::function<bool()>& done) {
  auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    loop.processPending();
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

struct RecordingView : UpdateWindowView {
  void changed() override { ++changes; }
  void openPage(const std::string& url) override { opened.push_back(url); }
  int changes = 0;
  std::vector<std::string> opened;
};

struct UpdateCheckTest : ::testing::Test {
  test::NginxServer nginx;

  void SetUp() override {
    FW_REQUIRE_BINARY(path, "nginx");
    nginx.addFile("images/Update.ini", "ver=1.827\r\n");
    nginx.addFile("newer/Update.ini", "ver=1.830\r\n");
    nginx.addFile("plain/Update.ini", "Fetchwright 1.830\r\n");
    nginx.addFile("garbled/Update.ini", "ver=1.8x0\r\n");
    ASSERT_TRUE(nginx.start(path)) << nginx.error();
  }
};

TEST_F(UpdateCheckTest, ResultsFollowTheServersAnswer) {
  const struct {
    const char* path;
    int result;
  } cases[] = {
      {"/images/Update.ini", kUpdateLatest},      {"/newer/Update.ini", kUpdateNewer},
      {"/plain/Update.ini", kUpdateNoInfo},       {"/garbled/Update.ini", kUpdateNoInfo},
      {"/missing/Update.ini", kUpdateSendFailed},
  };
  for (const auto& c : cases) {
    Event stop{Event::Reset::Manual, false};
    EXPECT_EQ(runUpdateCheck(localEndpoint(nginx.httpPort(), c.path), Clock::system(), stop),
              c.result)
        << c.path;
  }
  // The request as nginx logged it: path, referrer and user agent.
  std::string access;
  for (int i = 0; i < 50 && access.find("/missing/") == std::string::npos; ++i) {
    access = test::readFileText(nginx.docRoot() + "/../access.log");
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_NE(access.find("\"GET /images/Update.ini HTTP/1.1\" 200"), std::string::npos) << access;
  EXPECT_NE(access.find("\"http://127.0.0.1:" + std::to_string(nginx.httpPort()) + "/images\""),
            std::string::npos)
      << access;
  EXPECT_NE(access.find("\"Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\""), std::string::npos);
}

TEST_F(UpdateCheckTest, WindowShowsTheResultAndMoreInfoOpensTheDownloadPage) {
  MessageLoop loop;
  UpdateChecker checker(loop, localEndpoint(nginx.httpPort(), "/newer/Update.ini"));
  RecordingView view;
  UpdateWindow window(loop, checker, &view);
  window.open();
  EXPECT_EQ(window.text(), "Downloading the update information...");
  EXPECT_FALSE(window.moreInfoShown());
  ASSERT_TRUE(pumpUntil(loop, [&] { return window.answered(); }));
  EXPECT_EQ(window.text(), "A newer version of Fetchwright was found.");
  EXPECT_TRUE(window.moreInfoShown());
  window.moreInfo();
  EXPECT_EQ(view.opened, (std::vector<std::string>{"http://127.0.0.1/download.html"}));
  EXPECT_EQ(checker.lastResult(), kUpdateNewer);
  EXPECT_FALSE(checker.running());
}

// The 60th tick of the queue monitor starts one check; a newer version found with no
// window open reaches the main window. Switched off, nothing is asked.
TEST_F(UpdateCheckTest, AutomaticCheckRunsOnceAtTheSixtiethTick) {
  for (bool enabled : {true, false}) {
    SCOPED_TRACE(enabled ? "automatic check on" : "automatic check off");
    MessageLoop loop;
    UpdateChecker checker(loop, localEndpoint(nginx.httpPort(), "/newer/Update.ini"));
    int offers = 0;
    checker.onNewerVersion = [&] { ++offers; };
    MonitorServices services;
    services.updates = &checker;
    services.autoUpdateCheck = enabled;
    struct Host : ServiceMonitorHost {
      using ServiceMonitorHost::ServiceMonitorHost;
      void setTitle(const std::string&) override {}
      void showQueued(JobRecord&) override {}
    } host(loop, services);
    test::ScriptedRunner runner;
    ProgramTransfer transfer;
    FakeClock clock;
    QueueMonitor monitor(runner, host, transfer, clock, MonitorSettings{});
    for (int i = 0; i < kUpdateCheckTick - 1; ++i) monitor.tick();
    EXPECT_FALSE(checker.running());
    monitor.tick();
    EXPECT_EQ(checker.running(), enabled);
    if (enabled) ASSERT_TRUE(pumpUntil(loop, [&] { return offers > 0; }));
    for (int i = 0; i < 120; ++i) monitor.tick();
    EXPECT_FALSE(checker.running()) << "once per run";
    EXPECT_EQ(offers, enabled ? 1 : 0);
  }
}

// A listening socket nobody accepts on: the connection is made and no answer ever comes.
class SilentServer {
 public:
  SilentServer() {
    m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(m_fd, 4) == 0 &&
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
      m_port = ntohs(a.sin_port);
  }
  ~SilentServer() { ::close(m_fd); }
  int port() const { return m_port; }

 private:
  int m_fd = -1;
  int m_port = 0;
};

TEST(UpdateWindowTest, SilentServerGivesTheFailureTextAtTheThirtySecondTick) {
  SilentServer server;
  ASSERT_NE(server.port(), 0);
  FakeClock clock;
  MessageLoop loop(clock);
  auto checker = std::make_unique<UpdateChecker>(loop, localEndpoint(server.port()));
  RecordingView view;
  auto window = std::make_unique<UpdateWindow>(loop, *checker, &view);
  window->open();
  for (int tick = 1; tick <= 31; ++tick) {
    clock.advanceMs(1000);
    loop.processPending();
  }
  EXPECT_EQ(window->ticks(), 31);
  EXPECT_EQ(window->text(), "Downloading the update information...");
  EXPECT_FALSE(window->moreInfoShown());
  clock.advanceMs(1000);
  loop.processPending();
  EXPECT_EQ(window->text(),
            "Can't get update information. Please visit http://127.0.0.1/ for the newest version.");
  EXPECT_TRUE(window->moreInfoShown());
  EXPECT_TRUE(checker->running()) << "the check itself still waits for its answer";
  window.reset();
  auto start = std::chrono::steady_clock::now();
  checker.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << "a going checker stops its thread";
}

TEST(UpdateWindowTest, NoHostConfiguredMeansNoCheckAndTheFailureText) {
  FakeClock clock;
  MessageLoop loop(clock);
  UpdateEndpoint none;
  none.downloadPage = "https://example.org/download";
  UpdateChecker checker(loop, none);
  EXPECT_FALSE(checker.start());
  checker.startAutomatic(true);
  EXPECT_FALSE(checker.running());
  UpdateWindow window(loop, checker, nullptr);
  window.open();
  EXPECT_EQ(window.text(), "Can't get update information.");
  EXPECT_TRUE(window.moreInfoShown());
  EXPECT_FALSE(checker.running());
}

}  // namespace
}  // namespace fw

// Browser capture end to end: headless Chromium (and Firefox) with the extension, the
// native host registered by the real registration, the hand-off over the real control
// socket, and the receiving program adding and downloading the job from a local nginx.
//
// The receiving program is FW_CAPTURE_RECEIVER (tests/integration/capture_test_receiver.cpp:
// the real receivers on the core, without windows). The desktop program takes its place
// when receiverOptions() names it and gives it a display (receiverEnv). Taken clicks are
// checked by the saved file and nginx's log alone; the context-menu test and the refusal's
// answer read the receiver's event log ($FW_CAPTURE_EVENTS), which the desktop program
// would have to write as well for those two checks.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "support/capture_rig.h"

namespace fw {
namespace {

using nlohmann::json;
using test::CaptureRig;
using test::LoggedRequest;

test::CaptureRigOptions receiverOptions(uint32_t monitor) {
  test::CaptureRigOptions o;
  o.receiverPath = FW_CAPTURE_RECEIVER;
  o.hostPath = FW_SNAREBOLT_HOST;
  o.extensionDir = FW_EXTENSION_DIR;
  o.monitor = monitor;
  return o;
}

std::vector<json> eventsNamed(CaptureRig& rig, const std::string& name) {
  std::vector<json> out;
  for (json& e : rig.events())
    if (e.value("event", "") == name) out.push_back(std::move(e));
  return out;
}

std::vector<LoggedRequest> requestsFor(CaptureRig& rig, const std::string& uri, bool browser) {
  std::vector<LoggedRequest> out;
  for (const LoggedRequest& r : rig.requests())
    if (r.uri == uri && r.fromBrowser() == browser) out.push_back(r);
  return out;
}

class BrowserCapture : public ::testing::Test {
 protected:
  // Starts the rig with Chromium; the caller returns when `ready()` is false.
  void startRig(uint32_t monitor) {
    std::string nginx = test::findBinary("nginx");
    std::string driver = test::findBinary("chromedriver");
    if (nginx.empty() || driver.empty() || test::findBinary("chromium").empty()) {
      if (test::runningInCi()) FAIL() << "nginx, chromium or chromedriver missing";
      GTEST_SKIP() << "nginx, chromium or chromedriver missing";
    }
    m_rig = std::make_unique<CaptureRig>(receiverOptions(monitor));
    std::string error;
    ASSERT_TRUE(m_rig->start(nginx, driver, error)) << error;
  }
  bool ready() const { return !IsSkipped() && !HasFatalFailure(); }

  // Clicks the link and checks that the program took it. Returns milliseconds from the
  // click to the program's first request.
  double clickIsTaken(const std::string& id, const std::string& name) {
    double clickedAt = m_rig->click(id);
    EXPECT_GT(clickedAt, 0) << m_rig->browser().lastError();
    // While the host decides, Chromium keeps the bytes in a hidden temporary file; it is
    // deleted with the cancelled download.
    double requestedAt = takenByProgram(name, m_rig->pageUrl(), ".org.chromium.Chromium.");
    return (requestedAt - clickedAt) * 1000;
  }

  // Waits until the receiving program has saved the whole file and checks what a taken
  // download must leave behind: the program's requests carried the referrer and the
  // page's cookie, and the browser's folder never held anything but names starting with
  // `browserTemp` ("" for nothing at all) and is empty at the end. Returns the time of the
  // program's first request.
  double takenByProgram(const std::string& name, const std::string& referrer,
                        const std::string& browserTemp) {
    CaptureRig& rig = *m_rig;
    const std::string uri = "/files/" + name;
    std::vector<std::string> seen;
    auto watchFolder = [&] {
      for (const std::string& n : rig.browserFolder())
        if (std::find(seen.begin(), seen.end(), n) == seen.end()) seen.push_back(n);
    };
    const std::string bytes = rig.fileBytes(name);
    auto saved = [&] {
      std::string path = rig.programDownloadPath(name);
      return !path.empty() && test::readFileText(path) == bytes;
    };
    EXPECT_TRUE(rig.waitFor(saved, 30000, watchFolder)) << "the program never finished " << name;
    std::vector<LoggedRequest> ours = requestsFor(rig, uri, false);
    EXPECT_FALSE(ours.empty()) << "no request from the program for " << uri;
    for (const LoggedRequest& r : ours) {
      EXPECT_EQ(r.referer, referrer);
      EXPECT_NE(r.cookie.find("fwsid=s3cr3t"), std::string::npos) << r.cookie;
    }
    EXPECT_TRUE(rig.waitFor([&] { return rig.browserFolder().empty(); }, 10000, watchFolder))
        << "left in the browser's folder: " << ::testing::PrintToString(rig.browserFolder());
    for (const std::string& n : seen)
      EXPECT_TRUE(!browserTemp.empty() && n.rfind(browserTemp, 0) == 0)
          << "the browser wrote " << n;
    return ours.empty() ? 0 : ours.front().at;
  }

  std::unique_ptr<CaptureRig> m_rig;
};

TEST_F(BrowserCapture, ClickIsTakenByTheProgramTheHostStartsAndThenByTheRunningOne) {
  startRig(0x20);
  if (!ready()) return;
  ASSERT_EQ(m_rig->receiverPid(), 0);
  double startedMs = clickIsTaken("zip1", "first.zip");
  EXPECT_NE(m_rig->receiverPid(), 0) << "the host did not start the program";
  double runningMs = clickIsTaken("zip2", "second.zip");
  std::printf("click to first request: %.0f ms (program started by the host), %.0f ms (running)\n",
              startedMs, runningMs);
}

TEST_F(BrowserCapture, ContextMenuCommandsReachTheProgram) {
  startRig(0x20);
  if (!ready()) return;
  ASSERT_TRUE(m_rig->startReceiver());
  CaptureRig& rig = *m_rig;

  json link = rig.menuCommand("fetchwright-link", rig.url("/files/second.zip"));
  EXPECT_EQ(link, json({{"answer", {{"ok", true}, {"reason", "delivered"}}}})) << link.dump();
  EXPECT_TRUE(rig.waitFor([&] { return !eventsNamed(rig, "sheet").empty(); }, 10000));
  std::vector<json> sheets = eventsNamed(rig, "sheet");
  ASSERT_EQ(sheets.size(), 1u);
  EXPECT_EQ(sheets[0]["url"], rig.url("/files/second.zip"));
  EXPECT_EQ(sheets[0]["referrer"], rig.pageUrl());
  EXPECT_EQ(sheets[0]["comment"], "Second archive");

  json page = rig.menuCommand("fetchwright-page");
  EXPECT_EQ(page, json({{"answer", {{"ok", true}, {"reason", "delivered"}}}})) << page.dump();
  EXPECT_TRUE(rig.waitFor([&] { return !eventsNamed(rig, "select-url").empty(); }, 10000));
  std::vector<json> lists = eventsNamed(rig, "select-url");
  ASSERT_EQ(lists.size(), 1u);
  json expect = json::array();
  for (auto [title, path] : {std::pair{"First archive", "/files/first.zip"},
                             {"Second archive", "/files/second.zip"},
                             {"Third archive", "/files/third.zip"},
                             {"Notes", "/files/notes.txt"}})
    expect.push_back({{"title", title}, {"url", rig.url(path)}});
  EXPECT_EQ(lists[0]["rows"], expect);  // the ftp link is not listed
  EXPECT_TRUE(eventsNamed(rig, "added").empty());
}

TEST_F(BrowserCapture, WithMonitorBrowserOffTheBrowserDownloadsItself) {
  startRig(0x0E);
  if (!ready()) return;
  ASSERT_TRUE(m_rig->startReceiver());
  CaptureRig& rig = *m_rig;
  auto browserSaved = [&](std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return rig.waitFor(
        [&] {
          std::vector<std::string> now = rig.browserFolder();
          std::sort(now.begin(), now.end());
          return now == names;
        },
        30000);
  };
  // Off everywhere: the host does not even ask.
  ASSERT_GT(rig.click("zip1"), 0) << rig.browser().lastError();
  EXPECT_TRUE(browserSaved({"first.zip"})) << ::testing::PrintToString(rig.browserFolder());
  // Off in the running program only: the host (a new process per click) reads the bit as on
  // and delivers; the program's answer 0 leaves the download to the browser.
  m_rig->setMonitor(0x20);
  ASSERT_GT(rig.click("zip3"), 0) << rig.browser().lastError();
  EXPECT_TRUE(browserSaved({"first.zip", "third.zip"}))
      << ::testing::PrintToString(rig.browserFolder());
  EXPECT_EQ(test::readFileText(rig.browserDownloadPath("third.zip")), rig.fileBytes("third.zip"));
  EXPECT_TRUE(eventsNamed(rig, "added").empty());
  std::vector<json> asked = eventsNamed(rig, "request");
  ASSERT_EQ(asked.size(), 1u);  // the second click only
  EXPECT_EQ(asked[0]["kind"], 3);
  EXPECT_EQ(asked[0]["answer"], 0);
  for (const char* uri : {"/files/first.zip", "/files/third.zip"}) {
    EXPECT_TRUE(requestsFor(rig, uri, false).empty()) << uri;
    EXPECT_EQ(requestsFor(rig, uri, true).size(), 1u) << uri;
  }
}

TEST_F(BrowserCapture, FirefoxHoldsTheResponseAndTheProgramTheHostStartsTakesIt) {
  std::string nginx = test::findBinary("nginx");
  std::string firefox = test::findBinary("firefox-esr");
  if (nginx.empty() || firefox.empty()) {
    if (test::runningInCi()) FAIL() << "nginx or firefox-esr missing";
    GTEST_SKIP() << "nginx or firefox-esr missing";
  }
  m_rig = std::make_unique<CaptureRig>(receiverOptions(0x20));
  std::string error;
  ASSERT_TRUE(m_rig->startFirefox(nginx, firefox, FW_EXTENSION_XPI, error)) << error;
  // Firefox follows /start.html's refresh to the file; nothing may reach its folder.
  takenByProgram("first.zip", m_rig->url("/start.html"), "");
  EXPECT_TRUE(requestsFor(*m_rig, "/files/first.zip", true).size() <= 1u);
}

}  // namespace
}  // namespace fw

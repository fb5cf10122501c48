// Browser capture end to end: headless Chromium (and Firefox) with the extension, the
// native host registered by the real registration, the hand-off over the real control
// socket, and the desktop program (FW_CAPTURE_RECEIVER, on Qt's offscreen platform) adding
// and downloading the job from a local nginx.
//
// Taken clicks are checked by the saved file, nginx's log and the job database the
// program writes when it ends. The program keeps no record of the windows it opens, so
// the context-menu commands are checked by their answers and by the program not fetching
// anything on its own for them, and a refused click by the browser downloading the file
// itself without a request from the program.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "platform/paths.h"
#include "store/category_tree.h"
#include "store/job_database.h"
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
  o.receiverEnv = {{"QT_QPA_PLATFORM", "offscreen"}};
  return o;
}

// The URLs of the jobs in the database the program saved in `home`.
std::vector<std::string> savedJobUrls(const std::string& home) {
  CategoryTree tree;
  std::vector<std::string> urls;
  if (loadJobDatabase(defaultDatabasePath(home + "/data"), tree) != 1) return urls;
  tree.forEachInSaveOrder([&](const CategoryRecord& cat, uint8_t, uint16_t) {
    for (const JobRecord* j = cat.firstJob; j; j = j->next) urls.push_back(j->url);
  });
  std::sort(urls.begin(), urls.end());
  return urls;
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
  ASSERT_TRUE(m_rig->stopReceiver());
  EXPECT_EQ(
      savedJobUrls(m_rig->home()),
      (std::vector<std::string>{m_rig->url("/files/first.zip"), m_rig->url("/files/second.zip")}));
}

TEST_F(BrowserCapture, ContextMenuCommandsReachTheProgram) {
  startRig(0x20);
  if (!ready()) return;
  ASSERT_TRUE(m_rig->startReceiver());
  CaptureRig& rig = *m_rig;

  // "Download using Fetchwright" opens the property sheet (it waits for the user there);
  // "Download All by Fetchwright" a "Select Url" window. Neither adds a job by itself.
  json link = rig.menuCommand("fetchwright-link", rig.url("/files/second.zip"));
  EXPECT_EQ(link, json({{"answer", {{"ok", true}, {"reason", "delivered"}}}})) << link.dump();
  json page = rig.menuCommand("fetchwright-page");
  EXPECT_EQ(page, json({{"answer", {{"ok", true}, {"reason", "delivered"}}}})) << page.dump();
  EXPECT_NE(rig.receiverPid(), 0) << "the program still answers with its windows open";
  ASSERT_TRUE(rig.stopReceiver());
  for (const char* uri : {"/files/first.zip", "/files/second.zip", "/files/third.zip"})
    EXPECT_TRUE(requestsFor(rig, uri, false).empty()) << uri;
  EXPECT_TRUE(savedJobUrls(rig.home()).empty());
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
  for (const char* uri : {"/files/first.zip", "/files/third.zip"}) {
    EXPECT_TRUE(requestsFor(rig, uri, false).empty()) << uri;
    EXPECT_EQ(requestsFor(rig, uri, true).size(), 1u) << uri;
  }
  ASSERT_TRUE(rig.stopReceiver());
  EXPECT_TRUE(savedJobUrls(rig.home()).empty());
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
  ASSERT_TRUE(m_rig->stopReceiver());
  EXPECT_EQ(savedJobUrls(m_rig->home()), std::vector<std::string>{m_rig->url("/files/first.zip")});
}

}  // namespace
}  // namespace fw

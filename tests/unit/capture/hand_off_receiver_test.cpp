#include "capture/receiver/hand_off_receiver.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>

#include "capture/receiver/clipboard_monitor.h"
#include "capture/receiver/link_list_rows.h"
#include "platform/control_kinds.h"

namespace fw {
namespace {

std::string testBlockName() {
  static std::atomic<int> n{0};
  return "/fwtest-Velto-rcv-" + std::to_string(::getpid()) + "-" + std::to_string(n++);
}

struct RecordingWindow final : HandOffWindow {
  int raised = 0;
  std::vector<std::vector<UrlRow>> selectUrl;
  std::vector<NewJobOffer> sheets;
  std::vector<AddJobRequest> added;
  std::string clipboard;
  bool isClosing = false;

  void bringToFront() override { ++raised; }
  void openSelectUrl(const std::vector<UrlRow>& rows) override { selectUrl.push_back(rows); }
  void queuePropertySheet(const NewJobOffer& offer) override { sheets.push_back(offer); }
  bool addJobNow(const AddJobRequest& r) override {
    added.push_back(r);
    return true;
  }
  std::string clipboardText() override { return clipboard; }
  bool closing() const override { return isClosing; }
};

GeneralSettings settingsWith(uint32_t monitor) {
  GeneralSettings s;
  s.monitor = monitor;
  s.monitorType = ".ZIP;.EXE;.BIN;.GZ;.Z;.TAR;.ARJ;.LZH;.MP3;.RAR;.CHM";
  return s;
}

enum class Did { Nothing, Added, Sheet, SelectUrl };

TEST(HandOffReceiver, AnswersPerKindAndFlag) {
  const std::string clip3000(3000, 'c');
  struct Case {
    const char* why;
    uint32_t kind;
    uint32_t monitor;
    bool closing;
    bool block;
    std::string text;
    std::string clipboard;
    int32_t answer;
    Did did;
    NewJobOffer offer;  // what was added or offered
  } cases[] = {
      {"click taken",
       3,
       0x20,
       false,
       true,
       " http://h/a.ZIP \r\nhttp://h/page\r\n",
       "",
       1,
       Did::Added,
       {"http://h/a.ZIP", "http://h/page", ""}},
      {"click, bit 0x20 off", 3, 0x0E, false, true, "http://h/a.zip\r\n", "", 0, Did::Nothing, {}},
      {"click while closing", 3, 0x20, true, true, "http://h/a.zip\r\n", "", 0, Did::Nothing, {}},
      {"click, not listed", 3, 0x20, false, true, "http://h/a.pdf\r\n", "", -1, Did::Nothing, {}},
      {"click, name without dot",
       3,
       0x20,
       false,
       true,
       "http://h/download\r\n",
       "",
       -1,
       Did::Nothing,
       {}},
      {"click, URL does not parse",
       3,
       0x20,
       false,
       true,
       "mailto:x@h.zip\r\n",
       "",
       -1,
       Did::Nothing,
       {}},
      {"click, empty URL", 3, 0x20, false, true, "\r\nhttp://h/\r\n", "", 1, Did::Nothing, {}},
      {"click with confirmation",
       3,
       0x28,
       false,
       true,
       "http://h/a.zip\r\nhttp://h/\r\n",
       "",
       1,
       Did::Sheet,
       {"http://h/a.zip", "http://h/", ""}},
      {"click, comment from clipboard",
       3,
       0x30,
       false,
       true,
       "http://h/a.zip\r\n",
       "note",
       1,
       Did::Added,
       {"http://h/a.zip", "", "note"}},
      {"click, long clipboard cut",
       3,
       0x38,
       false,
       true,
       "http://h/a.zip\r\n",
       clip3000,
       1,
       Did::Sheet,
       {"http://h/a.zip", "", std::string(1990, 'c')}},
      {"click, block missing", 3, 0x20, false, false, "", "", 0, Did::Nothing, {}},
      {"add url",
       2,
       0x00,
       false,
       true,
       "http://h/a.txt\r\n comment \r\nhttp://h/\r\nextra\r\n",
       "",
       1,
       Did::Sheet,
       {"http://h/a.txt", "http://h/", "comment"}},
      {"add url, only the URL",
       2,
       0x00,
       false,
       true,
       "http://h/a.txt\r\n",
       "",
       1,
       Did::Sheet,
       {"http://h/a.txt", "", ""}},
      {"add url while closing", 2, 0x20, true, true, "http://h/a.txt\r\n", "", 1, Did::Nothing, {}},
      {"list",
       1,
       0x00,
       false,
       true,
       "lead\r\n\r\nhttp://h/a.zip\r\n\r\nA\r\n\r\n",
       "",
       1,
       Did::SelectUrl,
       {}},
      {"list while closing", 1, 0x00, true, true, "lead\r\n\r\n", "", 1, Did::Nothing, {}},
      {"unknown kind", 9, 0x20, false, true, "x\r\n", "", 1, Did::Nothing, {}},
  };
  for (const Case& c : cases) {
    RecordingWindow window;
    window.isClosing = c.closing;
    window.clipboard = c.clipboard;
    GeneralSettings settings = settingsWith(c.monitor);
    std::string name = testBlockName();
    HandOffReceiver receiver(window, settings, name);
    HandOffBlockWriter block(name);
    if (c.block) {
      ASSERT_EQ(block.create(), HandOffBlockWriter::Open::Created);
      // The writer adds CR LF to each line: hand it the text split at CR LF.
      std::vector<std::string> lines;
      for (size_t at = 0; at < c.text.size();) {
        size_t end = c.text.find("\r\n", at);
        if (end == std::string::npos) end = c.text.size();
        lines.push_back(c.text.substr(at, end - at));
        at = end + 2;
      }
      block.write(lines);
    }
    EXPECT_EQ(receiver.onHandOff(c.kind), c.answer) << c.why;
    EXPECT_EQ(window.raised, 1) << c.why;
    EXPECT_EQ(window.added.size(), c.did == Did::Added ? 1u : 0u) << c.why;
    EXPECT_EQ(window.sheets.size(), c.did == Did::Sheet ? 1u : 0u) << c.why;
    EXPECT_EQ(window.selectUrl.size(), c.did == Did::SelectUrl ? 1u : 0u) << c.why;
    if (c.did == Did::Added) {
      EXPECT_EQ(window.added[0].url, c.offer.url) << c.why;
      EXPECT_EQ(window.added[0].referer, c.offer.referrer) << c.why;
      EXPECT_EQ(window.added[0].comment, c.offer.comment) << c.why;
      EXPECT_EQ(receiver.slots().comment, "") << c.why;
    }
    if (c.did == Did::Sheet) EXPECT_EQ(window.sheets[0], c.offer) << c.why;
  }
}

TEST(HandOffReceiver, LinkListRequestAndDispatch) {
  RecordingWindow window;
  GeneralSettings settings = settingsWith(0x2E);
  HandOffReceiver receiver(window, settings, testBlockName());
  ControlReply reply;
  std::string payload("lead\r\n\r\nhttp://h/a.zip\r\n\r\nA\r\n\r\n\0http://h/b.zip\r\n\r\n", 48);
  ASSERT_TRUE(receiver.handle(ControlRequest{kControlLinkList, payload}, reply));
  EXPECT_EQ(reply.result, 1);
  EXPECT_EQ(receiver.slots().listText, "lead\r\n\r\nhttp://h/a.zip\r\n\r\nA\r\n\r\n");
  ASSERT_EQ(window.selectUrl.size(), 1u);
  EXPECT_EQ(window.selectUrl[0], (std::vector<UrlRow>{{"A", "http://h/a.zip", "a.zip"}}));
  EXPECT_FALSE(receiver.handle(ControlRequest{kControlRaise, {}}, reply));

  window.isClosing = true;
  ASSERT_TRUE(receiver.handle(ControlRequest{kControlLinkList, payload}, reply));
  EXPECT_EQ(window.selectUrl.size(), 1u);
}

TEST(LinkListRows, PairsAfterTheLeadingItem) {
  std::string text =
      "page title\r\n\r\n"
      "http://h/a.zip\r\n\r\n  Get A\r\n\r\n"
      "  https://h/dir/\r\n\r\nFolder\r\n\r\n"
      "ftp://h/b.zip\r\n\r\nB by ftp\r\n\r\n"
      "http://h/a.zip\r\n\r\nsame again\r\n\r\n"
      "\r\n\r\nno url\r\n\r\n"
      "javascript://x\r\n\r\nscheme of 10\r\n\r\n"
      "http://h/c.exe?x=1\r\n\r\n";  // its text never came
  std::vector<UrlRow> expect{
      {"Get A", "http://h/a.zip", "a.zip"},
      {"Folder", "https://h/dir/", "index.htm"},
      {"", "http://h/c.exe?x=1", "c.exe?x=1"},
  };
  EXPECT_EQ(linkListRows(text), expect);
  EXPECT_TRUE(linkListRows("").empty());
  EXPECT_TRUE(linkListRows("only the lead").empty());
  EXPECT_EQ(urlIconName("http:"), "index.htm");
}

TEST(ClipboardMonitor, CopiedLinksBecomeJobs) {
  const std::string over(27001, 'x');
  const std::string atLimit = "http://h/a.zip" + std::string(27000 - 14, ' ');
  struct Case {
    const char* why;
    std::string text;
    uint32_t monitor;
    bool joining;
    bool closing;
    Did did;
    std::vector<std::string> urls;
  } cases[] = {
      {"one URL", "http://h/setup.exe\r\n", 0x01, false, false, Did::Added, {"http://h/setup.exe"}},
      {"one URL with confirmation",
       "  http://h/a.zip  ",
       0x03,
       false,
       false,
       Did::Sheet,
       {"http://h/a.zip"}},
      {"a page URL", "http://h/index.html", 0x01, false, false, Did::Nothing, {}},
      {"a name without type", "http://h/download", 0x01, false, false, Did::Nothing, {}},
      {"prose", "Look at http://h/a.zip for the file.", 0x01, false, false, Did::Nothing, {}},
      {"two URLs, one listed",
       "http://h/a.zip\r\n\r\nhttp://h/b.html\r\n",
       0x01,
       false,
       false,
       Did::SelectUrl,
       {"http://h/a.zip", "http://h/b.html"}},
      {"two URLs, LF line ends",
       "http://h/a.zip\nhttp://h/b.rar\n",
       0x01,
       false,
       false,
       Did::SelectUrl,
       {"http://h/a.zip", "http://h/b.rar"}},
      {"two URLs, none listed",
       "http://h/a.html\r\nhttp://h/b.html",
       0x01,
       false,
       false,
       Did::Nothing,
       {}},
      {"a URL and a word", "http://h/a.zip\r\nhello", 0x01, false, false, Did::Nothing, {}},
      {"27,000 bytes", atLimit, 0x01, false, false, Did::Added, {"http://h/a.zip"}},
      {"27,001 bytes", over, 0x01, false, false, Did::Nothing, {}},
      {"while joining", "http://h/a.zip", 0x01, true, false, Did::Nothing, {}},
      {"while closing", "http://h/a.zip", 0x01, false, true, Did::Nothing, {}},
      {"empty clipboard", "", 0x01, false, false, Did::Nothing, {}},
  };
  for (const Case& c : cases) {
    RecordingWindow window;
    window.clipboard = c.text;
    window.isClosing = c.closing;
    GeneralSettings settings = settingsWith(c.monitor);
    ClipboardMonitor monitor(window, settings);
    monitor.setJoining(c.joining);
    if (monitor.onClipboardChanged()) monitor.examine();
    EXPECT_TRUE(monitor.keptText().empty()) << c.why;
    std::vector<std::string> urls;
    for (const AddJobRequest& r : window.added) urls.push_back(r.url);
    for (const NewJobOffer& o : window.sheets) urls.push_back(o.url);
    for (const auto& rows : window.selectUrl)
      for (const UrlRow& row : rows) urls.push_back(row.url);
    EXPECT_EQ(urls, c.urls) << c.why;
    EXPECT_EQ(window.added.size(), c.did == Did::Added ? 1u : 0u) << c.why;
    EXPECT_EQ(window.sheets.size(), c.did == Did::Sheet ? 1u : 0u) << c.why;
    EXPECT_EQ(window.raised, c.did == Did::Sheet ? 1 : 0) << c.why;
    EXPECT_EQ(window.selectUrl.size(), c.did == Did::SelectUrl ? 1u : 0u) << c.why;
    if (c.did == Did::SelectUrl) EXPECT_EQ(window.selectUrl[0][0].title, "a.zip") << c.why;
  }
}

}  // namespace
}  // namespace fw

#include "capture/module/capture_module.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>

#include "capture/module/link_list_text.h"
#include "platform/control_kinds.h"
#include "platform/fake_clock.h"

namespace fw {
namespace {

std::string testBlockName() {
  static std::atomic<int> n{0};
  return "/fwtest-Velto-mod-" + std::to_string(::getpid()) + "-" + std::to_string(n++);
}

// A program behind a fake control socket: absent for `absentCalls` calls, then answering
// with `answer` after reading the block, as the program does.
struct FakeProgram {
  std::string blockName;
  int absentCalls = 0;
  bool startable = true;
  int32_t answer = 1;
  ControlCall failure = ControlCall::Answered;  // anything else: every present call fails
  int calls = 0;
  int starts = 0;
  std::vector<ControlRequest> requests;
  std::vector<std::string> blockTexts;

  ProgramLink link(FakeClock& clock) {
    ProgramLink l;
    l.socketPath = "/nowhere/control.sock";
    l.programPath = "/opt/fw/bin/fetchwright";
    l.clock = &clock;
    l.start = [this](const std::string& path) {
      EXPECT_EQ(path, "/opt/fw/bin/fetchwright");
      ++starts;
      return startable;
    };
    l.call = [this](const std::string&, const ControlRequest& req, ControlReply& reply, int64_t) {
      ++calls;
      if (calls <= absentCalls) return ControlCall::NoServer;
      if (failure != ControlCall::Answered) return failure;
      requests.push_back(req);
      std::string text;
      readHandOffBlock(text, blockName);
      blockTexts.push_back(text);
      reply.result = answer;
      return ControlCall::Answered;
    };
    return l;
  }
};

CaptureSettings monitoring() {
  CaptureSettings s;
  s.monitor = 0x2E;
  s.monitorType = ".ZIP;.EXE;";
  return s;
}

TEST(CaptureModule, BrowserClickOutcomes) {
  struct Case {
    const char* why;
    std::string url;
    int absentCalls;
    bool startable;
    int32_t answer;
    ControlCall failure;
    ClickOutcome outcome;
    int calls;
    int starts;
  } cases[] = {
      {"taken", "http://h/a.zip", 0, true, 1, ControlCall::Answered, ClickOutcome::Taken, 1, 0},
      {"refused (-1)", "http://h/a.zip", 0, true, -1, ControlCall::Answered, ClickOutcome::Refused,
       1, 0},
      {"refused (0)", "http://h/a.zip", 0, true, 0, ControlCall::Answered, ClickOutcome::Refused, 1,
       0},
      {"not monitored: nobody asked", "http://h/a.txt", 0, true, 1, ControlCall::Answered,
       ClickOutcome::NotMonitored, 0, 0},
      {"started, answers on the third try", "http://h/a.zip", 3, true, 1, ControlCall::Answered,
       ClickOutcome::Taken, 4, 1},
      {"started, never answers: 1 + 10 tries", "http://h/a.zip", 100, true, 1,
       ControlCall::Answered, ClickOutcome::NotRunning, 11, 1},
      {"cannot be started", "http://h/a.zip", 100, false, 1, ControlCall::Answered,
       ClickOutcome::NotRunning, 1, 1},
      {"times out", "http://h/a.zip", 0, true, 1, ControlCall::TimedOut, ClickOutcome::Failed, 1,
       0},
  };
  for (const Case& c : cases) {
    FakeClock clock;
    int64_t before = clock.monotonicMs();
    FakeProgram program;
    program.blockName = testBlockName();
    program.absentCalls = c.absentCalls;
    program.startable = c.startable;
    program.answer = c.answer;
    program.failure = c.failure;
    CaptureSettings settings = monitoring();
    CaptureModule module(settings, program.link(clock), program.blockName);
    int beforeDeliveryRuns = 0;
    EXPECT_EQ(module.browserClick(c.url, "http://h/page", [&] { ++beforeDeliveryRuns; }), c.outcome)
        << c.why;
    EXPECT_EQ(program.calls, c.calls) << c.why;
    EXPECT_EQ(program.starts, c.starts) << c.why;
    EXPECT_EQ(beforeDeliveryRuns, c.outcome == ClickOutcome::NotMonitored ? 0 : 1) << c.why;
    if (c.starts && c.outcome == ClickOutcome::NotRunning && c.startable)
      EXPECT_EQ(clock.monotonicMs() - before, 10 * 200) << c.why;  // bounded wait
    if (!program.blockTexts.empty()) {
      EXPECT_EQ(program.requests.back().kind, kControlHandOffClick);
      EXPECT_EQ(program.blockTexts.back(), c.url + "\r\nhttp://h/page\r\n") << c.why;
    }
    std::string text;
    EXPECT_EQ(readHandOffBlock(text, program.blockName), BlockRead::Missing) << c.why;
  }
}

TEST(CaptureModule, ClickDuringAnotherDeliveryIsNotTaken) {
  FakeClock clock;
  FakeProgram program;
  program.blockName = testBlockName();
  CaptureSettings settings = monitoring();
  CaptureModule module(settings, program.link(clock), program.blockName);
  HandOffBlockWriter other(program.blockName);
  ASSERT_EQ(other.create(), HandOffBlockWriter::Open::Created);
  EXPECT_EQ(module.browserClick("http://h/a.zip", ""), ClickOutcome::Busy);
  EXPECT_EQ(program.calls, 0);
}

TEST(CaptureModule, AddUrlSendsThreeLinesAsKind2) {
  FakeClock clock;
  FakeProgram program;
  program.blockName = testBlockName();
  program.answer = 0;        // not used by the caller
  CaptureSettings settings;  // Monitor is not consulted
  CaptureModule module(settings, program.link(clock), program.blockName);
  EXPECT_EQ(module.addUrl("http://h/a.txt", "link text", "http://h/page"), Delivery::Answered);
  ASSERT_EQ(program.requests.size(), 1u);
  EXPECT_EQ(program.requests[0].kind, kControlHandOffAddUrl);
  EXPECT_EQ(program.blockTexts[0], "http://h/a.txt\r\nlink text\r\nhttp://h/page\r\n");
}

TEST(CaptureModule, LinkListTextAndItsBound) {
  EXPECT_EQ(buildLinkListText({"page", "http://h/a.zip", "A\r\nzip"}),
            "page\r\n\r\nhttp://h/a.zip\r\n\r\nA  zip\r\n\r\n");
  // An item is added while text + item + 10 stays below 73,728 bytes.
  EXPECT_EQ(buildLinkListText({std::string(73717, 'a')}).size(), 73721u);
  EXPECT_EQ(buildLinkListText({std::string(73718, 'a')}).size(), 0u);
  std::string first(73711, 'a');  // 73,715 bytes with its separator
  std::string text = buildLinkListText({first, "", "x"});
  EXPECT_EQ(text.size(), first.size() + 4 + 4);  // "" fits (73,715 + 10 < 73,728), "x" not

  FakeClock clock;
  FakeProgram program;
  program.blockName = testBlockName();
  CaptureSettings settings;
  CaptureModule module(settings, program.link(clock), program.blockName);
  EXPECT_EQ(module.addUrlList({"only the page"}), Delivery::Empty);
  EXPECT_EQ(program.calls, 0);
  EXPECT_EQ(module.addUrlList({"page", "http://h/a.zip", "A"}), Delivery::Answered);
  ASSERT_EQ(program.requests.size(), 1u);
  EXPECT_EQ(program.requests[0].kind, kControlLinkList);
  EXPECT_EQ(program.requests[0].payload, "page\r\n\r\nhttp://h/a.zip\r\n\r\nA\r\n\r\n");
}

}  // namespace
}  // namespace fw

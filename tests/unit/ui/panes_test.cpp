// What the panes show: cell texts in the list's formats, which columns a layout shows,
// the segment map's spans, the log's lines and file name, the detail rows.

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "ui/panes/detail_rows.h"
#include "ui/panes/job_columns.h"
#include "ui/panes/log_lines.h"
#include "ui/panes/log_save.h"
#include "ui/panes/segment_spans.h"

namespace fw {
namespace {

ShownProgress progressOf(const JobRecord& j) {
  ShownProgress p;
  p.fileName = j.fileName;
  p.fileSize = j.fileSize;
  p.downloaded = j.downloaded;
  return p;
}

TEST(JobColumns, CellTextsInTheListsFormats) {
  JobRecord j;
  j.fileName = "a.iso";
  j.rate = 4;
  j.fileSize = 3 * 1048576 + 5;
  j.downloaded = 1048576;
  j.elapsedSeconds = 2 * 3600 + 5 * 60 + 7;
  j.activeRoles = 3;
  j.splitCount = 5;
  j.createTime = DateStamp{2024, 3, 7, 9, 5, 1, 4};
  ShownProgress p = progressOf(j);
  p.running = true;
  p.speed = 1536;
  CellInputs in;
  in.retries = 2;
  struct Case {
    int slot;
    const char* text;
  };
  for (const Case& c :
       {Case{kSlotRate, "4 Star"}, Case{kSlotName, "a.iso"}, Case{kSlotSize, "3072KB"},
        Case{kSlotComplete, "1024KB"}, Case{kSlotPercent, " 33%"}, Case{kSlotElapsed, "02:05:07"},
        Case{kSlotLeft, "00:22:45"}, Case{kSlotSpeed, "1.50 KB/s"}, Case{kSlotNum, "3/5"},
        Case{kSlotRetry, "2"}, Case{kSlotCreateTime, ""}, Case{kSlotCompleteTime, ""}})
    EXPECT_EQ(cellText(j, p, c.slot, in), c.text) << c.slot;
  p.createTime = j.createTime;
  EXPECT_EQ(cellText(j, p, kSlotCreateTime, in), "03/07/2024 09:05:01");
  in.sizeInBytes = true;
  EXPECT_EQ(cellText(j, p, kSlotSize, in), "3145733");

  // Unknown size: no Size, no Left, 0 percent; a stopped job shows no speed.
  j.fileSize = -1;
  p = progressOf(j);
  EXPECT_EQ(cellText(j, p, kSlotSize, {}), "");
  EXPECT_EQ(cellText(j, p, kSlotLeft, {}), "");
  EXPECT_EQ(cellText(j, p, kSlotPercent, {}), "  0%");
  EXPECT_EQ(cellText(j, p, kSlotSpeed, {}), "");
  j.elapsedSeconds = 100 * 3600;
  EXPECT_EQ(cellText(j, p, kSlotElapsed, {}), "100:00:00");
}

TEST(JobColumns, ShownColumnsFollowTheStoredLayout) {
  ColumnLayout l = ColumnLayout::builtIn(true);
  for (auto& s : l.slots) s.visible = 0;
  l.slots[kSlotName].visible = 1;
  l.slots[kSlotResume].visible = 1;  // never shown all the same
  l.slots[kSlotStatus].width = 3;
  l.slots[kSlotStatus].visible = 1;
  // Hiding every column but Name leaves the state icon column and Name.
  std::vector<ShownColumn> shown = shownColumns(l);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0], (ShownColumn{kSlotStatus, kStatusFallbackWidth}));
  EXPECT_EQ(shown[1].slot, kSlotName);
  EXPECT_EQ(l.slots[kSlotName].position, 1);

  // An order naming slots twice or out of range is read as far as it is usable.
  ColumnLayout bad = ColumnLayout::builtIn(false);
  bad.order = {3, 3, 40, 0, 2, 0xFFFF, 4, 7, 12, 13, 14, 15, 5, 6, 8, 9};
  std::vector<int> slots;
  for (const ShownColumn& c : shownColumns(bad)) slots.push_back(c.slot);
  EXPECT_EQ(slots, (std::vector<int>{3, 0, 2, 4, 7, 12, 13, 14, 15}));
}

TEST(JobColumns, CaptureKeepsHiddenSlotsAndRoundTripsWithShown) {
  ColumnLayout l = ColumnLayout::builtIn(true);
  std::vector<ShownColumn> moved = {{kSlotStatus, 22}, {kSlotPercent, 70}, {kSlotName, 300}};
  captureColumns(l, moved);
  EXPECT_EQ(l.order[0], kSlotStatus);
  EXPECT_EQ(l.order[1], kSlotPercent);
  EXPECT_EQ(l.order[2], kSlotName);
  EXPECT_EQ(l.slots[kSlotSize].visible, 0);
  EXPECT_EQ(l.slots[kSlotSize].width, ColumnLayout::builtIn(true).slots[kSlotSize].width);
  EXPECT_EQ(shownColumns(l), moved);
}

TEST(SegmentSpans, ReceivedActiveAndMissingBytes) {
  struct Case {
    const char* what;
    ShownProgress p;
    bool complete;
    std::vector<Span> spans;
  };
  auto progress = [](int64_t size, int64_t got, std::vector<RangeProgress> ranges, bool running) {
    ShownProgress p;
    p.fileSize = size;
    p.downloaded = got;
    p.ranges = std::move(ranges);
    p.running = running;
    return p;
  };
  const Case cases[] = {
      {"not started", progress(1000, 0, {}, false), false, {{0, 10, SpanKind::Missing}}},
      {"first Role, no split yet",
       progress(1000, 300, {}, true),
       false,
       {{0, 3, SpanKind::Done}, {3, 10, SpanKind::Active}}},
      {"complete", progress(1000, 1000, {}, false), true, {{0, 10, SpanKind::Done}}},
      {"two ranges, one held",
       progress(1000, 500, {{200, 499, true}, {700, 999, false}}, true),
       false,
       {{0, 2, SpanKind::Done},
        {2, 5, SpanKind::Active},
        {5, 7, SpanKind::Done},
        {7, 10, SpanKind::Missing}}},
      {"a hole smaller than a pixel",
       progress(1000, 999, {{555, 555, false}}, false),
       false,
       {{0, 5, SpanKind::Done}, {5, 6, SpanKind::Missing}, {6, 10, SpanKind::Done}}},
      {"unknown size, running", progress(-1, 50, {}, true), false, {{0, 10, SpanKind::Active}}},
  };
  for (const Case& c : cases) EXPECT_EQ(segmentSpans(c.p, c.complete, 10), c.spans) << c.what;
  EXPECT_TRUE(segmentSpans(progress(1000, 0, {}, false), false, 0).empty());
  // Huge files do not overflow the pixel arithmetic.
  ShownProgress big =
      progress(int64_t{1} << 62, 0, {{int64_t{1} << 61, (int64_t{1} << 62) - 1, true}}, true);
  EXPECT_EQ(segmentSpans(big, false, 4),
            (std::vector<Span>{{0, 2, SpanKind::Done}, {2, 4, SpanKind::Active}}));
}

TEST(LogPane, FileNameRuleAndLineFormat) {
  struct Case {
    const char* chosen;
    const char* saved;
  };
  for (const Case& c :
       {Case{"/t/today.txt", "/t/today.txt.log"}, Case{"/t/today.LOG", "/t/today.LOG"},
        Case{"/t/today", "/t/today.log"}, Case{"/t.d/today", "/t.d/today.log"},
        Case{"/t/a.log", "/t/a.log"}, Case{"/t/a.logs", "/t/a.logs.log"}})
    EXPECT_EQ(logFileName(c.chosen), c.saved);
  EXPECT_EQ(logText({{"12:00:01", "Role1: Connecte successful."}, {"URLs", "http://h/a"}}),
            "12:00:01  Role1: Connecte successful.\r\nURLs  http://h/a\r\n");

  test::TempDir dir("fw-log");
  std::string path = dir.write("old.log", std::string(100, 'x'));
  std::string error;
  ASSERT_TRUE(writeLogFile(path, "short\r\n", &error)) << error;
  EXPECT_EQ(test::readFileText(path), "short\r\n") << "the old content is cut off";
  EXPECT_FALSE(writeLogFile(dir.path() + "/no/such/dir/x.log", "a", &error));
  EXPECT_FALSE(error.empty());
}

TEST(LogPane, LinesOfOneRoleOrOfAllInArrivalOrder) {
  JobRecord job;
  job.roleLogs.push_back(RoleLog{1, {"0one-a"}});
  job.roleLogs.push_back(RoleLog{2, {}});
  LogLines lines;
  lines.lineAdded(job, 1, 1, 1000);
  job.roleLogs.back().lines.push_back("3two-a");
  lines.lineAdded(job, 2, 1, 2000);
  job.roleLogs.front().lines.push_back("2one-b");
  lines.lineAdded(job, 1, 2, 3000);

  std::vector<LogRow> all = lines.rows(job, 0);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].text, "one-a");
  EXPECT_EQ(all[1].text, "two-a");
  EXPECT_EQ(all[1].kind, 3);
  EXPECT_EQ(all[2].text, "one-b");
  EXPECT_EQ(all[2].timeMs, 3000);
  EXPECT_EQ(lines.rows(job, 2).size(), 1u);

  // The list was emptied at 600 lines: the old stamps no longer describe it.
  job.roleLogs.front().lines = {"0fresh"};
  lines.lineAdded(job, 1, 1, 4000);
  std::vector<LogRow> one = lines.rows(job, 1);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].timeMs, 4000);
  lines.forget(job);
  EXPECT_EQ(lines.rows(job, 1)[0].timeMs, -1) << "lines without a stamp still show";
}

TEST(DetailRows, UnfinishedAndFinishedJobsAndARole) {
  JobRecord j;
  j.url = "http://h/a.iso";
  j.altUrls = {"http://m/a.iso"};
  j.rate = 2;
  j.fileSize = 2048;
  j.downloaded = 1024;
  j.comment = "c";
  ShownProgress p = progressOf(j);
  std::vector<DetailRow> rows = jobDetailRows(j, p, false);
  ASSERT_EQ(rows.size(), 12u);
  EXPECT_EQ(rows[0], (DetailRow{"URLs", "http://h/a.iso; http://m/a.iso"}));
  EXPECT_EQ(rows[1], (DetailRow{"Rate", "2 Star"}));
  EXPECT_EQ(rows[4], (DetailRow{"Percent", " 50%"}));
  EXPECT_EQ(rows[11].first, "Comment");

  j.flags = jobflags::kComplete | jobflags::kResumable;
  j.downloaded = 2048;
  j.elapsedSeconds = 2;
  p = progressOf(j);
  p.flags = j.flags;
  p.complete = true;
  rows = jobDetailRows(j, p, false);
  ASSERT_EQ(rows.size(), 13u);
  EXPECT_EQ(rows[1], (DetailRow{"Rate", "2"}));
  EXPECT_EQ(rows[4], (DetailRow{"Resume", "yes"}));
  EXPECT_EQ(rows[10], (DetailRow{"Average Speed", "1.00 KB/s"}));
  EXPECT_EQ(rows[12].first, "Complete Time");

  RoleProgress r{3, 4096, 8191, 2048};
  std::vector<DetailRow> role = roleDetailRows(r, false);
  EXPECT_EQ(role[0], (DetailRow{"Role", "Role3"}));
  EXPECT_EQ(role[1], (DetailRow{"Range", "4KB - 7KB"}));
  EXPECT_EQ(role[2], (DetailRow{"Left", "4KB"}));
  EXPECT_EQ(role[3], (DetailRow{"Speed", "2.00 KB/s"}));
}

}  // namespace
}  // namespace fw

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "records/date_stamp.h"
#include "records/job_record.h"

namespace fw {
namespace {

JobRecord sized(int64_t size, int64_t done) {
  JobRecord j;
  j.fileSize = size;
  j.downloaded = done;
  return j;
}

TEST(JobRecord, NewRecordHasTheDocumentedDefaults) {
  JobRecord j;
  j.url = "http://x/y";
  j.flags = 0x0203;
  j.rate = 5;
  resetToNew(j);
  EXPECT_TRUE(j.url.empty());
  EXPECT_EQ(j.fileSize, -1);
  EXPECT_EQ(j.downloaded, 0);
  EXPECT_EQ(j.rate, 1);
  EXPECT_EQ(j.flags, 0);
  EXPECT_EQ(j.splitCount, 0);
  EXPECT_FALSE(j.createTime.isSet());
}

TEST(JobRecord, PercentUsesDirectFormulaBelowOneMebibyteAndDividedAbove) {
  struct Case {
    int64_t size, done;
    int percent;
  } cases[] = {
      {-1, 500, 0},  // unknown size
      {0, 0, 0},
      {1000, 999, 99},
      {1048575, 1048574, 99},  // direct: 104857400 / 1048575 = 99.99...
      {1048576, 1047552, 99},
      {1048576, 1048576, 100},
      // The divided formula rounds the size down to whole KiB: 524288 of 1049599 bytes
      // is 49.95% exactly but shows 50.
      {1049599, 524288, 50},
      {int64_t(1) << 40, int64_t(1) << 39, 50},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(percentComplete(sized(c.size, c.done)), c.percent) << c.size << " " << c.done;
  }
  EXPECT_EQ(percentText(sized(1000, 50)), "  5%");
  EXPECT_EQ(percentText(sized(1000, 1000)), "100%");
}

TEST(JobRecord, SizeTexts) {
  EXPECT_EQ(sizeText(1536, false), "1KB");
  EXPECT_EQ(sizeText(1536, true), "1536");
  EXPECT_EQ(sizeText(-2048, false), "-2KB");
  EXPECT_EQ(sizeText(int64_t(5) << 40, true), "5497558138880");
  JobRecord unknown = sized(-1, 100);
  EXPECT_EQ(sizeCell(unknown, false), "");
  EXPECT_EQ(leftCell(unknown, false), "");
  JobRecord j = sized(10240, 2048);
  EXPECT_EQ(sizeCell(j, false), "10KB");
  EXPECT_EQ(leftCell(j, false), "8KB");
}

TEST(JobRecord, TimeAndDateTexts) {
  EXPECT_EQ(elapsedText(0), "00:00:00");
  EXPECT_EQ(elapsedText(3 * 3600 + 25 * 60 + 7), "03:25:07");
  EXPECT_EQ(elapsedText(100 * 3600), "100:00:00");
  DateStamp d = DateStamp::from(CalendarTime{2026, 3, 4, 5, 6, 7, 3});
  EXPECT_EQ(d.listText(), "3/4/2026 5:6:7");
  EXPECT_EQ(d.detailText(), "03/04/2026 05:06:07");
  EXPECT_EQ(rateText(3), "3 Star");
}

TEST(JobRecord, DatesWithEqualFieldSumsAreStillDifferent) {
  DateStamp a = DateStamp::from(CalendarTime{2026, 3, 4, 5, 6, 7, 0});
  DateStamp b = DateStamp::from(CalendarTime{2026, 4, 3, 5, 6, 7, 0});
  EXPECT_FALSE(a.sameMoment(b));
  b.weekday = 5;
  DateStamp c = a;
  c.weekday = 6;
  EXPECT_TRUE(a.sameMoment(c)) << "the weekday is derived, not part of the moment";
}

TEST(JobRecord, DerivedStatesFollowTheirPrecedence) {
  JobRecord j;
  EXPECT_EQ(jobState(j), JobState::Stopped);
  j.setStartMode(kStartImmediately);
  EXPECT_EQ(jobState(j), JobState::Queued);
  j.setStartMode(kStartManual);
  j.flags2 |= jobflags2::kQueued;
  EXPECT_EQ(jobState(j), JobState::Queued);
  j.flags2 = 0;
  j.setStartMode(kStartSchedule);
  EXPECT_EQ(jobState(j), JobState::Scheduled);
  j.flags |= jobflags::kFailed;
  EXPECT_EQ(jobState(j), JobState::Failed);
  j.activeRoles = 2;
  EXPECT_EQ(jobState(j), JobState::Running);
  j.activeRoles = 0;
  j.fileSize = 10;
  j.downloaded = 10;
  EXPECT_EQ(jobState(j), JobState::Complete);
  j.flags2 |= jobflags2::kDownloadAgain;
  EXPECT_EQ(jobState(j), JobState::Failed) << "download again overrides complete";
  j.flags2 = 0;
  j.flags &= ~jobflags::kFailed;
  j.fileSize = -1;
  j.flags |= jobflags::kComplete;
  EXPECT_EQ(jobState(j), JobState::Complete);
  EXPECT_EQ(j.startMode(), kStartSchedule) << "setting flags must not disturb the start mode";
}

TEST(JobRecord, ResumeStateNeedsExactlyTheResumableBit) {
  JobRecord j;
  EXPECT_FALSE(j.resumable());
  j.flags = jobflags::kResumable;
  EXPECT_TRUE(j.resumable());
  j.flags |= jobflags::kNotResumable;
  EXPECT_FALSE(j.resumable());
  EXPECT_FALSE(j.notResumable());
}

}  // namespace
}  // namespace fw

// The date of an FTP file across runs of one job, against the scripted pyftpdlib server:
// a file that changed on the server since an earlier run stops the job with a note, and
// the download-again request either ends at once (same date) or starts the file anew
// (new date), from a finished job and from a stopped one.

#include <gtest/gtest.h>

#include <ctime>

#include "support/download_rig.h"
#include "support/ftp_servers.h"

namespace fw {
namespace {

using test::allLines;
using test::countLogged;
using test::DownloadRig;
using test::PyftpdlibServer;

const char kFtpNewer[] = "2The file on the server is newer, you should download it again.";
// The HTTP path's note for the same case; an FTP job must not show it.
const char kHttpNewer[] = "The file on the server is newer, download it again.";

const std::time_t kFirstDate = 1700000000;  // 2023-11-14 22:13:20 UTC
const std::time_t kSecondDate = 1710000000;

DateStamp utcStamp(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  DateStamp d;
  d.year = static_cast<uint16_t>(tm.tm_year + 1900);
  d.month = static_cast<uint8_t>(tm.tm_mon + 1);
  d.day = static_cast<uint8_t>(tm.tm_mday);
  d.hour = static_cast<uint8_t>(tm.tm_hour);
  d.minute = static_cast<uint8_t>(tm.tm_min);
  d.second = static_cast<uint8_t>(tm.tm_sec);
  return d;
}

bool sameDate(const DateStamp& a, const DateStamp& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute && a.second == b.second;
}

class RoleFtpDates : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!PyftpdlibServer::available()) {
      if (test::runningInCi()) FAIL() << "python3-pyftpdlib missing";
      GTEST_SKIP() << "python3-pyftpdlib missing (install it to run)";
    }
  }

  // Serves `content` as pub/data.bin with the modification time `when`.
  void serve(const std::string& content, std::time_t when) {
    server.addFile("pub/data.bin", content);
    ASSERT_TRUE(server.setModified("pub/data.bin", when));
  }

  // One run of the job from a clean log; false when it did not end in time.
  bool run() {
    rig.host.logLines.clear();
    return rig.run(30);
  }

  PyftpdlibServer server;
  DownloadRig rig;
  const std::string first = test::faultServerContent(300000);
  const std::string second = test::faultServerContent(280000).replace(0, 5, "NEWER");
};

// A stopped job whose file changed on the server says so and stops without fetching; the
// download-again request then starts it over and brings the new file whole.
TEST_F(RoleFtpDates, ChangedFileStopsAStoppedJobUntilItIsDownloadedAgain) {
  serve(first, kFirstDate);
  ASSERT_TRUE(server.start({"rate=100000"})) << server.error();
  rig.job.url = server.url("pub/data.bin");
  rig.everySecond = [](JobController& ctl, int s) {
    if (s == 2) ctl.command(CtlStopAll, 0);
  };
  ASSERT_TRUE(run()) << allLines(rig);
  rig.everySecond = nullptr;
  ASSERT_FALSE(rig.host.lastComplete);
  const int64_t partial = rig.job.downloaded;
  ASSERT_GT(partial, 0);
  EXPECT_TRUE(sameDate(rig.job.fileDate, utcStamp(kFirstDate)));

  serve(second, kSecondDate);
  ASSERT_TRUE(run()) << allLines(rig);
  EXPECT_FALSE(rig.host.lastComplete);
  EXPECT_TRUE(rig.logged(kFtpNewer)) << allLines(rig);
  EXPECT_FALSE(rig.logged(kHttpNewer));
  EXPECT_FALSE(rig.logged("RETR ")) << allLines(rig);
  EXPECT_EQ(rig.job.downloaded, partial);
  EXPECT_TRUE(rig.tempFileExists());
  EXPECT_TRUE(sameDate(rig.job.fileDate, utcStamp(kFirstDate)));

  rig.job.flags2 |= jobflags2::kDownloadAgain;
  ASSERT_TRUE(run()) << allLines(rig);
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_EQ(countLogged(rig, kFtpNewer), 1) << allLines(rig);
  EXPECT_TRUE(rig.finalBytes() == second) << "got " << rig.finalBytes().size() << " bytes";
  EXPECT_EQ(rig.job.fileSize, static_cast<int64_t>(second.size()));
  EXPECT_EQ(rig.job.flags2 & jobflags2::kDownloadAgain, 0);
  EXPECT_TRUE(sameDate(rig.job.fileDate, utcStamp(kSecondDate)));
  EXPECT_FALSE(rig.tempFileExists());
  // Anew from byte 0: no restart offset into the old partial file.
  EXPECT_FALSE(rig.logged("REST " + std::to_string(partial))) << allLines(rig);
}

// A finished job asked to download again: with the same date on the server it ends at
// once and stays complete; with a new date it fetches the new file whole.
TEST_F(RoleFtpDates, DownloadAgainOfAFinishedJob) {
  serve(first, kFirstDate);
  ASSERT_TRUE(server.start()) << server.error();
  rig.job.url = server.url("pub/data.bin");
  rig.job.splitCount = 3;
  ASSERT_TRUE(run()) << allLines(rig);
  ASSERT_TRUE(rig.host.lastComplete) << allLines(rig);
  ASSERT_TRUE(rig.finalBytes() == first);

  rig.job.flags2 |= jobflags2::kDownloadAgain;
  ASSERT_TRUE(run()) << allLines(rig);
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_FALSE(rig.logged("RETR ")) << allLines(rig);
  EXPECT_FALSE(rig.logged(kFtpNewer));
  EXPECT_EQ(rig.job.flags2 & jobflags2::kDownloadAgain, 0);
  EXPECT_TRUE(rig.finalBytes() == first);

  serve(second, kSecondDate);
  rig.job.flags2 |= jobflags2::kDownloadAgain;
  ASSERT_TRUE(run()) << allLines(rig);
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_TRUE(rig.logged(kFtpNewer)) << allLines(rig);
  EXPECT_FALSE(rig.logged(kHttpNewer));
  EXPECT_TRUE(rig.finalBytes() == second) << "got " << rig.finalBytes().size() << " bytes\n"
                                          << allLines(rig);
  EXPECT_EQ(rig.job.downloaded, static_cast<int64_t>(second.size()));
  EXPECT_EQ(rig.job.flags2 & jobflags2::kDownloadAgain, 0);
  EXPECT_TRUE(sameDate(rig.job.fileDate, utcStamp(kSecondDate)));
}

}  // namespace
}  // namespace fw

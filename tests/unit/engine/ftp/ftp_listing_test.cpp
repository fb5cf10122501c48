// Passive-mode addresses and directory listing lines.

#include <gtest/gtest.h>

#include "engine/ftp/ftp_listing.h"
#include "engine/ftp/ftp_pasv.h"

namespace fw {
namespace {

struct PasvCase {
  const char* text;
  bool ok;
  const char* ip;
  int port;
};

TEST(FtpPassiveReplyTest, Table) {
  const PasvCase cases[] = {
      {"227 Entering Passive Mode (10,0,0,5,19,137)", true, "10.0.0.5", 5001},
      {"227 Entering Passive Mode ( 127 , 0 , 0 , 1 , 4 , 1 ).", true, "127.0.0.1", 1025},
      {"227 Entering Passive Mode 192,168,1,2,0,21", true, "192.168.1.2", 21},
      {"227 =127,0,0,1,200,10", true, "127.0.0.1", 51210},
      {"227 (10,0,0,5,19)", false, "", 0},
      {"227 (10,0,0,5,19,137,7)", false, "", 0},
      {"227 (256,0,0,1,1,1)", false, "", 0},
      {"227 (10,0,0,5,0,0)", false, "", 0},
      {"227 (10,0,0,5,0001,1)", false, "", 0},
      {"227 (a,b,c,d,e,f)", false, "", 0},
      {"227 ()", false, "", 0},
      {"227", false, "", 0},
  };
  for (const auto& c : cases) {
    std::string ip = "unset";
    int port = -1;
    EXPECT_EQ(parsePassiveReply(c.text, ip, port), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(ip, c.ip) << c.text;
      EXPECT_EQ(port, c.port) << c.text;
    } else {
      EXPECT_EQ(ip, "unset") << c.text;
    }
  }
}

TEST(FtpPassiveReplyTest, ExtendedForms) {
  const struct {
    const char* text;
    int port;  // 0: refused
  } replies[] = {
      {"229 Entering Extended Passive Mode (|||6446|)", 6446},
      {"229 Entering Extended Passive Mode (!!!65535!)", 65535},
      {"229 (|||1|)", 1},
      {"229 (|||0|)", 0},
      {"229 (|||65536|)", 0},
      {"229 (||6446|)", 0},
      {"229 (|!|6446|)", 0},
      {"229 (|||6446!)", 0},
      {"229 (|||)", 0},
      {"229 (111111)", 0},  // a digit cannot be the delimiter
      {"229 6446", 0},
  };
  for (const auto& r : replies) {
    int port = -1;
    EXPECT_EQ(parseExtendedPassiveReply(r.text, port), r.port != 0) << r.text;
    EXPECT_EQ(port, r.port != 0 ? r.port : -1) << r.text;
  }
  EXPECT_EQ(extendedPortArgument("::1", 5282), "|2|::1|5282|");
  EXPECT_EQ(extendedPortArgument("132.235.1.2", 6275), "|1|132.235.1.2|6275|");
  EXPECT_EQ(extendedPortArgument("localhost", 21), "");
  EXPECT_EQ(extendedPortArgument("::1", 0), "");
}

TEST(FtpPassiveReplyTest, PortArgumentAndTarget) {
  EXPECT_EQ(portArgument("127.0.0.1", 5001), "127,0,0,1,19,137");
  EXPECT_EQ(portArgument("10.1.2.3", 65535), "10,1,2,3,255,255");
  EXPECT_EQ(portArgument("localhost", 21), "");
  EXPECT_EQ(portArgument("1.2.3.4", 0), "");
  EXPECT_EQ(passiveTarget("10.9.9.9", "127.0.0.1"), "127.0.0.1");
  EXPECT_EQ(passiveTarget("10.9.9.9", ""), "10.9.9.9");
}

struct ListCase {
  const char* line;
  bool ok;
  const char* name;
  int64_t size;
  bool dir;
  int year, month, day, hour, minute;
};

TEST(FtpListingTest, UnixAndDosLines) {
  const ListCase cases[] = {
      {"-rw-r--r--    1 ftp      ftp       1048576 Jan 31 12:05 a.iso", true, "a.iso", 1048576,
       false, 0, 1, 31, 12, 5},
      {"drwxr-xr-x    2 0        0            4096 Dec 01  2020 pub", true, "pub", 4096, true, 2020,
       12, 1, 0, 0},
      {"-rw-r--r--   1 owner group  17 MAY  3 09:00 file with spaces.txt", true,
       "file with spaces.txt", 17, false, 0, 5, 3, 9, 0},
      {"lrwxrwxrwx 1 0 0 7 Feb 2 2019 latest -> a-1.2.tgz", true, "latest", 7, false, 2019, 2, 2, 0,
       0},
      {"-rw-r--r-- 1 user 100 Jan 2 2020 nogroup.bin", true, "nogroup.bin", 100, false, 2020, 1, 2,
       0, 0},
      {"01-31-24  12:05PM       <DIR>          Sub Dir", true, "Sub Dir", -1, true, 2024, 1, 31, 12,
       5},
      {"12/01/1999  01:00AM             2048 old.zip", true, "old.zip", 2048, false, 1999, 12, 1, 1,
       0},
      {"03.15.2021  23:59   <dir>  lower", true, "lower", -1, true, 2021, 3, 15, 23, 59},
      {"total 12", false, "", 0, false, 0, 0, 0, 0, 0},
      {"-rw-r--r-- 1 u g 12 Foo 31 12:00 x", false, "", 0, false, 0, 0, 0, 0, 0},
      {"-rw-r--r-- 1 u g 12 Jan 31 12:00", false, "", 0, false, 0, 0, 0, 0, 0},
      {"13-01-24  12:05PM  10 bad-month", false, "", 0, false, 0, 0, 0, 0, 0},
      {"01-31-24  13:05PM  10 bad-hour", false, "", 0, false, 0, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    FtpListEntry e;
    ASSERT_EQ(parseListingLine(c.line, e), c.ok) << c.line;
    if (!c.ok) continue;
    EXPECT_EQ(e.name, c.name) << c.line;
    EXPECT_EQ(e.size, c.size) << c.line;
    EXPECT_EQ(e.isDirectory, c.dir) << c.line;
    EXPECT_EQ(e.date.year, c.year) << c.line;
    EXPECT_EQ(e.date.month, c.month) << c.line;
    EXPECT_EQ(e.date.day, c.day) << c.line;
    EXPECT_EQ(e.date.hour, c.hour) << c.line;
    EXPECT_EQ(e.date.minute, c.minute) << c.line;
  }
}

TEST(FtpListingTest, WholeListingKeepsOnlyParsedLines) {
  std::string text =
      "total 8\r\n"
      "drwxr-xr-x 2 0 0 4096 Jan 01  2020 docs\r\n"
      "-rw-r--r-- 1 0 0 5 Jan 01  2020 a.txt\r\n"
      "garbage line here\r\n"
      "-rw-r--r-- 1 0 0 6 Jan 01  2020 b.txt";
  auto entries = parseListing(text);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "docs");
  EXPECT_EQ(entries[2].name, "b.txt");
  EXPECT_FALSE(listingDateComplete(entries[1]));
}

TEST(FtpListingTest, HostileNamesAreNotSafe) {
  const char* unsafe[] = {"", ".", "..", "../etc", "a/b", "/abs", "tab\there", "bell\a", "del\x7f"};
  for (const char* n : unsafe) EXPECT_FALSE(isSafeListingName(n)) << n;
  EXPECT_FALSE(isSafeListingName(std::string("nul\0x", 5)));
  EXPECT_FALSE(isSafeListingName(std::string(256, 'a')));
  const char* safe[] = {"a.iso", "...", "..a", "with space", "unicode-\xc3\xa9", "back\\slash"};
  for (const char* n : safe) EXPECT_TRUE(isSafeListingName(n)) << n;
  // A listing line carrying a traversal name parses, and the name is then refused.
  FtpListEntry e;
  ASSERT_TRUE(parseListingLine("-rw-r--r-- 1 0 0 5 Jan 01  2020 ../../x", e));
  EXPECT_FALSE(isSafeListingName(e.name));
}

}  // namespace
}  // namespace fw

#include "platform/ascii_text.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

TEST(AsciiText, TrimsOnlyTheGivenCharactersAndComparesAsciiLettersWithoutCase) {
  EXPECT_EQ(trimmed(" \t\r\n\f\vname \r\n"), "name");
  EXPECT_EQ(trimmed(" \t\r\n"), "");
  EXPECT_EQ(trimmed("\r a b \n", " \t"), "\r a b \n") << "only the characters asked for";
  EXPECT_EQ(trimmed("\xA0x\xA0"), "\xA0x\xA0") << "no byte above ASCII is space, whatever the locale";

  EXPECT_TRUE(equalsNoCase("HTTP://Host/A", "http://host/a"));
  EXPECT_FALSE(equalsNoCase("\xC9", "\xE9")) << "only ASCII letters fold";
  EXPECT_TRUE(startsWithNoCase("FTP://x", "ftp://"));
  EXPECT_TRUE(startsWithNoCase("ftp://x", "FTP://"));
  EXPECT_FALSE(startsWithNoCase("ftp:", "ftp://"));
  EXPECT_TRUE(endsWithNoCase("Jobs.NPD", ".npd"));
  EXPECT_FALSE(endsWithNoCase("npd", ".npd"));
}

}  // namespace
}  // namespace fw

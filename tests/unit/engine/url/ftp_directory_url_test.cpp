#include "engine/url/ftp_directory_url.h"

#include <gtest/gtest.h>

#include "engine/url/url_parse.h"

namespace fw {
namespace {

TEST(FtpDirectoryUrl, WhichUrlsNameADirectoryAndWhatTheJobIsCalled) {
  struct Case {
    const char* url;
    bool directory;
    const char* name;
  };
  const Case cases[] = {
      {"ftp://h.test/pub/", true, "pub/"},
      {"FTP://u:p@H.test:2121/a/b%20c/", true, "b c/"},
      {"ftp://H.test:21/", true, "h.test/"},
      {"ftp://u:p@h.test/", true, "h.test/"},
      {"ftp://h.test/pub/%2E%2E/", true, "h.test/"},  // never ".." as a name
      {"ftp://h.test/x%0D%0A/", true, "x/"},          // control bytes dropped
      {"  ftp://h.test/pub/  ", true, "pub/"},
      {"ftp://u@[::1]:2121/", true, "::1/"},
      {"ftp://h.test/pub/file.bin", false, ""},
      {"ftp://h.test", false, ""},
      {"http://h.test/pub/", false, ""},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isFtpDirectoryUrl(c.url), c.directory) << c.url;
    EXPECT_EQ(ftpDirectoryJobName(c.url), c.name) << c.url;
  }
}

TEST(FtpDirectoryUrl, ParsedDirectoryUrlNamesNoFile) {
  UrlParts parts;
  ASSERT_EQ(parseUrl(std::string_view("ftp://h.test/pub/"), parts), 1);
  EXPECT_EQ(parts.fileName, "pub/");
  EXPECT_EQ(parts.path, "/pub/");
  UrlParts web;
  ASSERT_EQ(parseUrl(std::string_view("http://h.test/pub/"), web), 1);
  EXPECT_EQ(web.fileName, "index.htm");
}

TEST(FtpDirectoryUrl, ComponentsAreEncodedSoTheNameComesBackUnchanged) {
  EXPECT_EQ(encodeUrlComponent("plain-name_1.0~x.tar.gz"), "plain-name_1.0~x.tar.gz");
  EXPECT_EQ(encodeUrlComponent("a b#c?d%e/f"), "a%20b%23c%3Fd%25e%2Ff");
  EXPECT_EQ(encodeUrlComponent("\x01\x7F\xC3\xA9"), "%01%7F%C3%A9");

  const std::string name = "100% sure #1?.txt";
  std::string url = ftpFileUrl("ftp://u:p@h.test:2121/pub/", "sub dir/deeper", name);
  EXPECT_EQ(url, "ftp://u:p@h.test:2121/pub/sub%20dir/deeper/100%25%20sure%20%231%3F.txt");
  UrlParts parts;
  ASSERT_EQ(parseUrl(std::string_view(url), parts), 1);
  EXPECT_EQ(parts.fileName, name);
  EXPECT_EQ(parts.user, "u");
  EXPECT_EQ(parts.password, "p");
  EXPECT_EQ(parts.port, 2121);
  EXPECT_EQ(ftpFileUrl("ftp://h.test/pub", "", "a"), "ftp://h.test/pub/a");
}

TEST(FtpDirectoryUrl, PrintableNameEscapesWhatATerminalWouldObey) {
  EXPECT_EQ(printableName("ok name.txt"), "ok name.txt");
  EXPECT_EQ(printableName("a\nb\x1b[2Jc\\"), "a\\x0Ab\\x1B[2Jc\\x5C");
  EXPECT_EQ(printableName(std::string(300, 'x')).size(), 203u);
}

}  // namespace
}  // namespace fw

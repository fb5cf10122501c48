#include <gtest/gtest.h>

#include <string>

#include "engine/url/safe_file_name.h"

namespace fw {
namespace {

TEST(SafeFileName, HostileNames) {
  using namespace std::string_literals;
  struct Case {
    std::string raw;
    std::string safe;
  } cases[] = {
      {"report.pdf", "report.pdf"},
      {"../../x", "x"},
      {"a/b", "b"},
      {"..\\..\\win.ini", "win.ini"},
      {"/etc/passwd", "passwd"},
      {"a\0b.txt"s, "ab.txt"},
      {"a\r\nb\x7f.txt", "ab.txt"},
      {"  spaced name.zip  ", "spaced name.zip"},
      {".", "index.htm"},
      {"..", "index.htm"},
      {"dir/..", "index.htm"},
      {"a/", "index.htm"},
      {"", "index.htm"},
      {"\x01\x02", "index.htm"},
      {"...", "..."},
  };
  for (const Case& c : cases) EXPECT_EQ(safeFileName(c.raw), c.safe) << c.raw;
  EXPECT_EQ(safeFileName("..", ""), "");
}

TEST(SafeFileName, LongNamesAreCutOnACharacterBoundary) {
  EXPECT_EQ(safeFileName(std::string(300, 'a')).size(), kMaxFileNameBytes);
  // 127 two-byte characters (254 bytes) and one more: the cut may not split it.
  std::string s;
  for (int i = 0; i < 128; ++i) s += "\xc3\xa9";
  std::string safe = safeFileName(s);
  EXPECT_EQ(safe.size(), 254u);
  EXPECT_EQ(safe, s.substr(0, 254));
  // Three-byte characters: 85 of them make exactly 255 bytes.
  std::string euro;
  for (int i = 0; i < 90; ++i) euro += "\xe2\x82\xac";
  EXPECT_EQ(safeFileName(euro).size(), 255u);
  std::string shifted = "a" + euro;
  EXPECT_EQ(safeFileName(shifted).size(), 253u);
}

TEST(DispositionFileName, Forms) {
  struct Case {
    const char* value;
    const char* name;
  } cases[] = {
      {" attachment; filename=\"a b.zip\"", "a b.zip"},
      {" attachment; filename=plain.zip; size=3", "plain.zip"},
      {" attachment; FILENAME=Up.ZIP", "Up.ZIP"},
      {" attachment; filename=\"semi;colon.zip\"", "semi;colon.zip"},
      {" attachment; filename=\"q\\\"uote.zip\"", "q\"uote.zip"},
      {" attachment; filename*=UTF-8''%e2%82%ac%20rates.txt", "\xe2\x82\xac rates.txt"},
      {" attachment; filename=\"fallback.txt\"; filename*=utf-8'en'better.txt", "better.txt"},
      {" attachment; filename*=iso-8859-1''caf%e9.txt", "caf\xc3\xa9.txt"},
      {" attachment; filename*=koi8-r''x.txt; filename=y.txt", "y.txt"},
      {" inline", ""},
      {" attachment; filename=", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(dispositionFileName(c.value), c.name) << c.value;
}

}  // namespace
}  // namespace fw

#include <gtest/gtest.h>

#include "platform/registry_format.h"

namespace fw {
namespace {

const char kGeneral[] = "HKEY_CURRENT_USER\\Software\\Fetchwright\\Fetchwright\\General";

RegNode& keyAt(RegNode& top, std::initializer_list<const char*> names) {
  RegNode* n = &top;
  for (const char* name : names) n = &n->childOrCreate(name);
  return *n;
}

TEST(RegistryFormat, WritesTheExportLayout) {
  RegNode top;
  RegNode& general =
      keyAt(top, {"HKEY_CURRENT_USER", "Software", "Fetchwright", "Fetchwright", "General"});
  general.setValue("Monitor", RegValue::makeDword(46));
  general.setValue("DefaultPath", RegValue::makeSz("C:\\Downloaded \"x\""));
  general.setValue("OrderOne", RegValue::makeBinary(std::string("\x01\x02\xff", 3)));
  general.setValue("", RegValue::makeSz("unnamed"));

  std::string expected =
      std::string("Windows Registry Editor Version 5.00\n\n") +
      "[HKEY_CURRENT_USER\\Software]\n\n" + "[HKEY_CURRENT_USER\\Software\\Fetchwright]\n\n" +
      "[HKEY_CURRENT_USER\\Software\\Fetchwright\\Fetchwright]\n\n" + "[" + kGeneral + "]\n" +
      "\"Monitor\"=dword:0000002e\n" + "\"DefaultPath\"=\"C:\\\\Downloaded \\\"x\\\"\"\n" +
      "\"OrderOne\"=hex:01,02,ff\n" + "@=\"unnamed\"\n\n";
  EXPECT_EQ(formatRegText(top), expected);
}

TEST(RegistryFormat, EveryTypeSurvivesARoundTrip) {
  std::string allBytes;
  for (int i = 0; i < 256; ++i) allBytes += char(i);
  const std::vector<std::pair<std::string, RegValue>> values = {
      {"zero", RegValue::makeDword(0)},
      {"max", RegValue::makeDword(0xffffffffu)},
      {"quotes", RegValue::makeSz("say \"hi\"")},
      {"backslashes", RegValue::makeSz("C:\\dir\\\\share\\")},
      {"newlines", RegValue::makeSz("line1\nline2\r\nend\n")},
      {"control", RegValue::makeSz(std::string("a\0b\x01\x7f\tc", 7))},
      {"utf8", RegValue::makeSz("Grüße — 下载 ✓")},
      {"escape-lookalike", RegValue::makeSz("\\x41\\n")},
      {"empty string", RegValue::makeSz("")},
      {"empty binary", RegValue::makeBinary("")},
      {"long binary", RegValue::makeBinary(allBytes)},
      {"name \"with\" \\ odd\nchars", RegValue::makeDword(7)},
  };
  RegNode top;
  RegNode& key = keyAt(top, {"HKEY_CURRENT_USER", "Software", "Test"});
  for (const auto& [n, v] : values) key.setValue(n, v);
  keyAt(top, {"HKEY_LOCAL_MACHINE", "Software", "Empty key"});

  std::string text = formatRegText(top);
  RegNode back;
  std::string error;
  ASSERT_TRUE(parseRegText(text, back, error)) << error << "\n" << text;
  RegNode* k = back.findChild("HKEY_CURRENT_USER")->findChild("Software")->findChild("Test");
  ASSERT_NE(k, nullptr);
  ASSERT_EQ(k->values.size(), values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(k->values[i].first, values[i].first);
    EXPECT_EQ(k->values[i].second, values[i].second) << values[i].first;
  }
  ASSERT_NE(back.findChild("HKEY_LOCAL_MACHINE"), nullptr);
  EXPECT_NE(back.findChild("HKEY_LOCAL_MACHINE")->findChild("Software")->findChild("Empty key"),
            nullptr);
  EXPECT_EQ(formatRegText(back), text);
  // Every line stays one line: no raw control character but tab leaks into the file.
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    EXPECT_FALSE((u < 0x20 && c != '\n' && c != '\t') || u == 0x7f);
  }
}

TEST(RegistryFormat, ReadsWhatAnExportToolWrites) {
  const std::string text =
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; a comment\r\n"
      "[HKEY_CURRENT_USER\\Software\\A]\r\n"
      "\"Num\"=DWORD:2E\r\n"
      "\"Bin\"=hex:01,02,\\\r\n"
      "  03,04\r\n"
      "\"Gone\"=\"x\"\r\n"
      "\"Gone\"=-\r\n"
      "\"Str\" = \"v\"\r\n"
      "[HKEY_CURRENT_USER\\Software\\B\\C]\r\n"
      "[-HKEY_CURRENT_USER\\Software\\B]\r\n";
  RegNode top;
  std::string error;
  ASSERT_TRUE(parseRegText(text, top, error)) << error;
  RegNode* sw = top.findChild("hkey_current_user")->findChild("SOFTWARE");
  ASSERT_NE(sw, nullptr);
  RegNode* a = sw->findChild("a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->name, "A");
  EXPECT_EQ(*a->findValue("num"), RegValue::makeDword(0x2e));
  EXPECT_EQ(*a->findValue("Bin"), RegValue::makeBinary("\x01\x02\x03\x04"));
  EXPECT_EQ(a->findValue("Gone"), nullptr);
  EXPECT_EQ(*a->findValue("Str"), RegValue::makeSz("v"));
  EXPECT_EQ(sw->findChild("B"), nullptr);
}

TEST(RegistryFormat, BlankTextIsAnEmptyStore) {
  RegNode top;
  std::string error;
  EXPECT_TRUE(parseRegText("", top, error));
  EXPECT_TRUE(parseRegText("\n  \r\n", top, error));
  EXPECT_TRUE(top.empty());
}

TEST(RegistryFormat, RefusesTextItCannotRepresent) {
  const std::string head = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\K]\n";
  const struct {
    std::string text;
    std::string errorPart;
  } cases[] = {
      {"REGEDIT4\n[HKEY_CURRENT_USER\\K]\n", "line 1"},
      {"Windows Registry Editor Version 5.00\n\"v\"=dword:1\n", "outside a key"},
      {"Windows Registry Editor Version 5.00\n[Software\\K]\n", "HKEY_"},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\K\n", "]"},
      {head + "\"v\"=dword:123456789\n", "line 3"},
      {head + "\"v\"=dword:\n", "dword"},
      {head + "\"v\"=dword:12g\n", "dword"},
      {head + "\"v\"=hex:01,zz\n", "hex"},
      {head + "\"v\"=hex:01,\\", "end of the file"},
      {head + "\"v\"=hex(2):41,00\n", "not supported"},
      {head + "\"v\"=\"unterminated\n", "unterminated"},
      {head + "\"v\"=\"a\"b\n", "after the closing quote"},
      {head + "\"v\"\n", "="},
      {head + "\"v=1\n", "unterminated value name"},
      {head + "v=1\n", "unexpected"},
      {head + "\"v\"=12\n", "unrecognised"},
  };
  for (const auto& c : cases) {
    RegNode top;
    top.childOrCreate("stale");
    std::string error;
    EXPECT_FALSE(parseRegText(c.text, top, error)) << c.text;
    EXPECT_NE(error.find(c.errorPart), std::string::npos) << c.text << " -> " << error;
    EXPECT_TRUE(top.empty()) << c.text;
  }
}

}  // namespace
}  // namespace fw

#include "capture/host/host_request.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "capture/host/native_message.h"

namespace fw {
namespace {

TEST(HostRequest, AcceptsOrRefusesMessages) {
  const std::string longUrl = "http://h/" + std::string(1992, 'a');  // 2,001 bytes
  struct Case {
    std::string json;
    bool accepted;
  } cases[] = {
      {R"({"type":"download","url":"http://h/a.zip"})", true},
      {R"({"type":"download","url":"http://h/a.zip","referrer":7,"cookies":"x"})", true},
      {R"({"type":"download"})", false},
      {R"({"type":"download","url":""})", false},
      {R"({"type":"download","url":42})", false},
      {R"({"type":"download","url":")" + longUrl + R"("})", false},
      {R"({"type":"download","url":")" + longUrl.substr(1) + R"("})", true},
      {R"({"type":"download","url":"http://h/a\r\nzip"})", false},
      {R"({"type":"link","url":"http://h/a.txt","text":"t","page":"http://h/"})", true},
      {R"({"type":"link","text":"t"})", false},
      {R"({"type":"page","url":"http://h/","links":[]})", true},
      {R"({"type":"page","url":"http://h/"})", false},
      {R"({"type":"page","url":"http://h/","links":{}})", false},
      {R"({"type":"other","url":"http://h/"})", false},
      {R"({"url":"http://h/a.zip"})", false},
      {R"(["download"])", false},
      {R"({"type":"download","url":"http://h/a.zip")", false},
      {"\xff\xfe", false},
      {"", false},
      {std::string(100, '[') + std::string(100, ']'), false},
      {R"({"type":"download","url":"http://h/a.zip","x":[[[[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]]]})",
       false},
  };
  for (const Case& c : cases) {
    HostRequest r;
    std::string error;
    EXPECT_EQ(parseHostRequest(c.json, r, error), c.accepted) << c.json.substr(0, 120);
    EXPECT_EQ(error.empty(), c.accepted) << c.json.substr(0, 120);
  }
}

TEST(HostRequest, OptionalPartsThatAreBadAreDropped) {
  HostRequest r;
  std::string error;
  ASSERT_TRUE(parseHostRequest(
      R"({"type":"download","url":"http://h/go","finalUrl":"http://h/go",
          "referrer":"http://h/\u0001","cookies":[
        {"name":"sid","value":"abc","domain":"h.example","hostOnly":true,"path":"/",
         "secure":false,"httpOnly":true,"session":true},
        {"name":"pref","value":"1","domain":"example.com","hostOnly":false,"path":"/dl",
         "secure":true,"session":false,"expirationDate":1893456000.7},
        {"name":"noexpiry","value":"1","domain":"h","session":false},
        {"name":"bad;name","value":"1","domain":"h","session":true},
        {"value":"1","domain":"h","session":true},
        "not a cookie"]})",
      r, error))
      << error;
  EXPECT_EQ(r.finalUrl, "");  // the same as url
  EXPECT_EQ(r.referrer, "");  // control character
  ASSERT_EQ(r.cookies.size(), 2u);
  EXPECT_EQ(r.cookies[0], (Cookie{"h.example", false, "/", false, 0, "sid", "abc", true}));
  EXPECT_EQ(r.cookies[1],
            (Cookie{".example.com", true, "/dl", true, 1893456000, "pref", "1", false}));

  ASSERT_TRUE(parseHostRequest(
      R"({"type":"page","url":"http://h/","title":"T","links":[
        {"url":"http://h/a.zip","text":"A"},{"url":""},{"text":"no url"},3,
        {"url":"ftp://h/b"}]})",
      r, error));
  ASSERT_EQ(r.links.size(), 2u);
  EXPECT_EQ(r.links[0].url, "http://h/a.zip");
  EXPECT_EQ(r.links[0].text, "A");
  EXPECT_EQ(r.links[1].url, "ftp://h/b");
  EXPECT_EQ(r.text, "T");

  // Free text is cut at 2,000 bytes, never inside a UTF-8 character.
  std::string text = std::string(1999, 'a') + "\xc3\xa9";
  ASSERT_TRUE(
      parseHostRequest(R"({"type":"link","url":"http://h/x","text":")" + text + "\"}", r, error));
  EXPECT_EQ(r.text, std::string(1999, 'a'));
}

TEST(NativeMessage, Framing) {
  auto readerOf = [](const std::string& bytes) {
    auto pos = std::make_shared<size_t>(0);
    return [bytes, pos](void* buf, size_t size) -> ssize_t {
      size_t n = std::min<size_t>({size, bytes.size() - *pos, 3});  // short reads
      std::memcpy(buf, bytes.data() + *pos, n);
      *pos += n;
      return static_cast<ssize_t>(n);
    };
  };
  std::string two = encodeNativeMessage("{\"a\":1}") + encodeNativeMessage("");
  ByteReader read = readerOf(two);
  std::string m;
  EXPECT_EQ(readNativeMessage(read, m), NativeRead::Message);
  EXPECT_EQ(m, "{\"a\":1}");
  EXPECT_EQ(readNativeMessage(read, m), NativeRead::Message);
  EXPECT_EQ(m, "");
  EXPECT_EQ(readNativeMessage(read, m), NativeRead::End);

  std::string huge = encodeNativeMessage("x");
  uint32_t tooLong = kNativeMessageMax + 1;
  std::memcpy(huge.data(), &tooLong, 4);
  read = readerOf(huge);
  EXPECT_EQ(readNativeMessage(read, m), NativeRead::TooLarge);

  read = readerOf(encodeNativeMessage("{\"cut\":true}").substr(0, 9));
  EXPECT_EQ(readNativeMessage(read, m), NativeRead::Broken);
  read = readerOf(std::string("\x05\x00", 2));
  EXPECT_EQ(readNativeMessage(read, m), NativeRead::Broken);
}

}  // namespace
}  // namespace fw

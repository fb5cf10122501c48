#include "store/url_list.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

TEST(UrlList, RoundTripAndHostileInput) {
  std::vector<std::string> urls{"http://h/a b", "ftp://[::1]/x"};
  EXPECT_EQ(decodeUrlList(encodeUrlList(urls)), urls);
  EXPECT_EQ(decodeUrlList("http://a\r\n\n\x01"
                          "bad\nhttp://b"),
            (std::vector<std::string>{"http://a", "http://b"}));
  std::string many;
  for (size_t i = 0; i < kMaxOfferedUrls + 5; ++i) many += "http://h/\n";
  EXPECT_EQ(decodeUrlList(many).size(), kMaxOfferedUrls);
}

}  // namespace
}  // namespace fw

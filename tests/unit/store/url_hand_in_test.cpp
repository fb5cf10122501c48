#include "store/url_hand_in.h"

#include <gtest/gtest.h>

#include "store/job_database.h"
#include "unit/store/store_fakes.h"

namespace fw {
namespace {

TEST(UrlHandIn, RequestsSurviveTheTripWithEveryFieldAndAwkwardText) {
  AddJobRequest a;
  a.url = "http://h/a b.zip";
  a.startMode = kStartImmediately;
  a.saveDir = "/dl/with\ttab\\and\nnewline";
  a.fileName = "name.bin";
  a.splitCount = 8;
  a.referer = "http://h/";
  a.userName = "u";
  a.password = "p\r\n";
  a.comment = "\\t is not a tab";
  a.extraFlags = 0x0C;
  AddJobRequest b;
  b.url = "ftp://h/d/";
  std::vector<AddJobRequest> got;
  std::string error;
  ASSERT_TRUE(decodeHandIn(encodeHandIn({a, b}), got, &error)) << error;
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].saveDir, a.saveDir);
  EXPECT_EQ(got[0].password, a.password);
  EXPECT_EQ(got[0].comment, a.comment);
  EXPECT_EQ(got[0].fileName, "name.bin");
  EXPECT_EQ(got[0].splitCount, 8);
  EXPECT_EQ(got[0].startMode, kStartImmediately);
  EXPECT_EQ(got[0].extraFlags, 0x0C);
  EXPECT_EQ(got[1].url, b.url);
  EXPECT_EQ(got[1].splitCount, kUseDefault8);
  EXPECT_EQ(got[1].category, kUseDefaultCategory);
}

TEST(UrlHandIn, MalformedPayloadsAreRefusedWhole) {
  std::string many;
  for (size_t i = 0; i <= kHandInMaxJobs; ++i)
    many += "url\thttp://h/" + std::to_string(i) + "\n\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"url http://h/x\n", "no tab"},
      {"url\thttp://h/x\\q\n", "unknown escape"},
      {"url\thttp://h/x\\\n", "escape at the end"},
      {"url\thttp://h/x\nsplitCount\t256\n", "number out of range"},
      {"url\thttp://h/x\nsplitCount\t-1\n", "negative number"},
      {"url\thttp://h/x\nsplitCount\t\n", "empty number"},
      {"url\t" + std::string(2001, 'a') + "\n", "text over its bound"},
      {"comment\tno url\n", "a job without a URL"},
      {many, "too many jobs"},
  };
  for (const auto& [payload, why] : cases) {
    std::vector<AddJobRequest> got{AddJobRequest{}};
    std::string error;
    EXPECT_FALSE(decodeHandIn(payload, got, &error)) << why;
    EXPECT_TRUE(got.empty()) << why;
    EXPECT_FALSE(error.empty()) << why;
  }
  std::vector<AddJobRequest> got;
  EXPECT_TRUE(decodeHandIn("url\thttp://h/x\nfutureKey\twhatever\n", got, nullptr));
  EXPECT_EQ(got.size(), 1u);
}

TEST(UrlHandIn, EachUrlIsAddedOrRefusedWithItsReason) {
  CategoryTree tree;
  Settings settings;
  test::FakeQueue queue;
  buildDefaultTree(tree, "/dl");
  settings.general.defaultPath = "/dl";
  JobContext ctx{tree, settings, &queue, nullptr, nullptr, {}, {}};
  auto req = [](const std::string& url) {
    AddJobRequest r;
    r.url = url;
    r.startMode = kStartImmediately;
    return r;
  };
  AddJobRequest named = req("http://h/b.bin");
  named.fileName = "chosen.bin";
  auto results =
      handInUrls(ctx, {req("http://h/a.zip"), req("HTTP://H/a.zip"), req("nonsense"), named});
  ASSERT_EQ(results.size(), 4u);
  EXPECT_TRUE(results[0].added);
  EXPECT_EQ(results[0].text, "added to Fetchwright: a.zip");
  EXPECT_EQ(results[1].text, "Duplicate URL");
  EXPECT_EQ(results[2].text, "Invalid URLs...");
  EXPECT_EQ(results[3].text, "added to Fetchwright: chosen.bin");
  EXPECT_EQ(queue.calls,
            (std::vector<std::string>{"start http://h/a.zip", "start http://h/b.bin"}));

  auto answer = decodeHandInAnswer(encodeHandInAnswer(results) + "garbage\n2\tx\n");
  ASSERT_EQ(answer.size(), 4u);
  EXPECT_FALSE(answer[2].added);
  EXPECT_EQ(answer[3].text, results[3].text);
}

}  // namespace
}  // namespace fw

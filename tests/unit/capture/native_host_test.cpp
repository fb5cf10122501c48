#include "capture/host/native_host.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <nlohmann/json.hpp>

#include "capture/host/host_manifests.h"
#include "capture/host/native_message.h"
#include "platform/control_kinds.h"
#include "platform/fake_clock.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

using nlohmann::json;

std::string testBlockName() {
  static std::atomic<int> n{0};
  return "/fwtest-Velto-host-" + std::to_string(::getpid()) + "-" + std::to_string(n++);
}

// Runs serveNativeHost over pipes: `input` is written to it whole, its answers returned.
struct HostRun {
  int code = -1;
  std::vector<json> answers;
};

HostRun runHost(const std::string& input, const CaptureSettings& settings, CaptureModule& module,
                CookieJar* jar) {
  test::TempDir dir("fwhost");
  std::string in = dir.write("in", input);
  std::string out = dir.file("out");
  int inFd = ::open(in.c_str(), O_RDONLY);
  int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT, 0600);
  HostRun run;
  run.code = serveNativeHost(inFd, outFd, settings, module, jar);
  ::close(inFd);
  ::close(outFd);
  int fd = ::open(out.c_str(), O_RDONLY);
  std::string m;
  while (readNativeMessage(fd, m) == NativeRead::Message) run.answers.push_back(json::parse(m));
  ::close(fd);
  return run;
}

TEST(NativeHost, AnswersEachMessageAndStoresCookiesBeforeAsking) {
  test::TempDir dir("fwhost");
  FakeClock clock;
  CookieJar jar(dir.file("cookies.txt"), clock);
  CaptureSettings settings;
  settings.monitor = 0x20;
  settings.monitorType = ".ZIP;";
  std::string block = testBlockName();
  std::vector<uint32_t> kinds;
  std::vector<std::string> seen;  // block text or payload, and the jar's answer, at call time
  ProgramLink link;
  link.clock = &clock;
  link.call = [&](const std::string&, const ControlRequest& req, ControlReply& reply, int64_t) {
    kinds.push_back(req.kind);
    std::string text;
    readHandOffBlock(text, block);
    seen.push_back(req.kind == kControlLinkList ? req.payload : text);
    seen.push_back(jar.cookiesFor("http://h.example/dl/a.zip"));
    reply.result = 1;
    return ControlCall::Answered;
  };
  CaptureModule module(settings, link, block);

  std::string input =
      encodeNativeMessage(R"({"type":"download","url":"http://h.example/go",
        "finalUrl":"http://h.example/dl/a.zip","referrer":"http://h.example/",
        "cookies":[{"name":"sid","value":"s1","domain":"h.example","hostOnly":true,
                    "path":"/","session":true}]})") +
      encodeNativeMessage(R"({"type":"download","url":"http://h.example/a.txt",
        "cookies":[{"name":"other","value":"1","domain":"h.example","hostOnly":true,
                    "session":true}]})") +
      encodeNativeMessage("not json") +
      encodeNativeMessage(R"({"type":"link","url":"http://h.example/b.txt","text":"B",
        "page":"http://h.example/"})") +
      encodeNativeMessage(R"({"type":"page","url":"http://h.example/","links":[
        {"url":"http://h.example/a.zip","text":"A"}]})") +
      encodeNativeMessage(R"({"type":"page","url":"http://h.example/","links":[]})");
  HostRun run = runHost(input, settings, module, &jar);
  EXPECT_EQ(run.code, 0);
  ASSERT_EQ(run.answers.size(), 6u);
  EXPECT_EQ(run.answers[0]["taken"], true);
  EXPECT_EQ(run.answers[1]["taken"], false);
  EXPECT_EQ(run.answers[1]["reason"], "not monitored");
  EXPECT_EQ(run.answers[2]["taken"], false);
  EXPECT_TRUE(run.answers[2].contains("error"));
  EXPECT_EQ(run.answers[3]["ok"], true);
  EXPECT_EQ(run.answers[4]["ok"], true);
  EXPECT_EQ(run.answers[5]["ok"], false);  // a page without links sends nothing

  ASSERT_EQ(kinds,
            (std::vector<uint32_t>{kControlHandOffClick, kControlHandOffAddUrl, kControlLinkList}));
  // The final URL stood in for the redirecting one, and the cookie was in the jar when the
  // program was asked; the cookie of the download not taken was never stored.
  EXPECT_EQ(seen[0], "http://h.example/dl/a.zip\r\nhttp://h.example/\r\n");
  EXPECT_EQ(seen[1], "sid=s1");
  EXPECT_EQ(seen[2], "http://h.example/b.txt\r\nB\r\nhttp://h.example/\r\n");
  EXPECT_EQ(seen[4], "http://h.example/\r\n\r\nhttp://h.example/a.zip\r\n\r\nA\r\n\r\n");
  EXPECT_EQ(jar.all().size(), 1u);
}

TEST(NativeHost, OversizedOrBrokenInputEndsTheSession) {
  FakeClock clock;
  CaptureSettings settings;
  CaptureModule module(settings, ProgramLink{}, testBlockName());
  std::string huge(4, '\0');
  uint32_t length = kNativeMessageMax + 1;
  std::memcpy(huge.data(), &length, 4);
  HostRun run = runHost(huge + std::string(64, 'x'), settings, module, nullptr);
  EXPECT_EQ(run.code, 1);
  ASSERT_EQ(run.answers.size(), 1u);
  EXPECT_EQ(run.answers[0]["taken"], false);
  run =
      runHost(encodeNativeMessage("{\"type\":\"link\"}").substr(0, 10), settings, module, nullptr);
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(run.answers.empty());
}

TEST(HostManifests, RegisterWritesMissingOrDanglingOnesAndUnregisterRemovesOurs) {
  test::TempDir dir("fwman");
  std::string home = dir.path() + "/home";
  EnvLookup env = [&](const std::string& name) -> std::string {
    if (name == "HOME") return home;
    if (name == "XDG_CONFIG_HOME") return dir.path() + "/xdg";
    return "";
  };
  std::string host = dir.write("bin/snarebolt-host", "#!/bin/sh\n");
  ::chmod(host.c_str(), 0755);
  std::string otherHost = dir.write("other/snarebolt-host", "#!/bin/sh\n");
  ::chmod(otherHost.c_str(), 0755);

  std::vector<HostManifestPlace> places = hostManifestPlaces(env);
  ASSERT_EQ(places.size(), 3u);
  EXPECT_EQ(places[0].path,
            dir.path() + "/xdg/chromium/NativeMessagingHosts/" + kNativeHostName + ".json");
  EXPECT_EQ(places[1].path,
            dir.path() + "/xdg/google-chrome/NativeMessagingHosts/" + kNativeHostName + ".json");
  EXPECT_EQ(places[2].path, home + "/.mozilla/native-messaging-hosts/" + kNativeHostName + ".json");

  // Chrome's names a program that is gone; Firefox's names another existing one.
  dir.write(places[1].path.substr(dir.path().size() + 1), hostManifestText("/gone/host", false));
  dir.write(places[2].path.substr(dir.path().size() + 1), hostManifestText(otherHost, true));
  std::vector<ManifestResult> r = registerNativeHost(host, env);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].action, ManifestAction::Written);
  EXPECT_EQ(r[1].action, ManifestAction::Written);
  EXPECT_EQ(r[2].action, ManifestAction::Kept);
  EXPECT_EQ(hostPathInManifest(places[0].path), host);
  EXPECT_EQ(hostPathInManifest(places[2].path), otherHost);
  json chromium = json::parse(test::readFileText(places[0].path));
  EXPECT_EQ(chromium["name"], kNativeHostName);
  EXPECT_EQ(chromium["type"], "stdio");
  EXPECT_EQ(chromium["allowed_origins"][0],
            std::string("chrome-extension://") + kChromiumExtensionId + "/");
  json firefox = json::parse(hostManifestText(host, true));
  EXPECT_EQ(firefox["allowed_extensions"][0], kFirefoxExtensionId);

  r = registerNativeHost(host, env);  // a second start changes nothing
  for (const ManifestResult& m : r) EXPECT_EQ(m.action, ManifestAction::Kept);

  r = unregisterNativeHost(host, env);
  EXPECT_EQ(r[0].action, ManifestAction::Removed);
  EXPECT_EQ(r[1].action, ManifestAction::Removed);
  EXPECT_EQ(r[2].action, ManifestAction::Kept);
  EXPECT_EQ(hostPathInManifest(places[2].path), otherHost);
}

}  // namespace
}  // namespace fw

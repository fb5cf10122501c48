#include "cli/run_settings.h"

#include <gtest/gtest.h>

#include "cli/job_listing.h"

namespace fw {
namespace {

CliOptions parsed(std::vector<std::string> args) {
  auto r = parseCliOptions(args);
  EXPECT_EQ(r.error, "");
  return r.options;
}

TEST(RunSettings, CommandLineValuesOverrideStoredOnesForTheRun) {
  Settings s;
  s.connection.connOut = 120;
  s.connection.simuRole = 4;
  s.connection.connType = 0x18;  // "Always retry" stored
  CliOptions o = parsed({"--timeout", "5", "--retries", "3", "--retry-delay", "2", "-j", "2",
                         "--limit", "600", "--no-verify", "http://h/f"});
  RunSettings r = applyCliOverrides(o, s);
  EXPECT_EQ(r.role.connOutSec, 5);
  EXPECT_EQ(r.role.dataOutSec, 5);
  EXPECT_EQ(r.role.relaytSec, 2);
  EXPECT_EQ(r.role.retryNum, 3u);
  EXPECT_FALSE(r.role.connType & conntype::kAlwaysRetry) << "--retries must bound the retries";
  EXPECT_EQ(r.role.tlsVerify, 0u);
  EXPECT_EQ(r.monitor.simuRole, 2u);
  EXPECT_EQ(r.bandwidthMode, 1);
  EXPECT_EQ(r.monitor.manualBand, 600u);
  EXPECT_EQ(s.connection.connOut, 120u) << "the stored settings stay as they were";

  RunSettings plain = applyCliOverrides(parsed({"http://h/f"}), s);
  EXPECT_EQ(plain.role.connOutSec, 120);
  EXPECT_TRUE(plain.role.connType & conntype::kAlwaysRetry);
  EXPECT_EQ(plain.role.tlsVerify, 1u);
}

TEST(RunSettings, PacingIsOffUnlessAskedForWhateverIsStored) {
  struct Case {
    uint32_t stored;
    std::vector<std::string> args;
    bool paced;
  } cases[] = {
      {1, {"http://h/f"}, false},
      {0, {"http://h/f"}, false},
      {1, {"--pace", "http://h/f"}, true},
      {0, {"--pace", "http://h/f"}, true},
  };
  for (const Case& c : cases) {
    Settings s;
    s.connection.pacing = c.stored;
    RunSettings r = applyCliOverrides(parsed(c.args), s);
    EXPECT_EQ(r.role.pacing, c.paced) << c.stored << " " << c.args.size();
    EXPECT_EQ(r.monitor.pacing, c.paced) << c.stored << " " << c.args.size();
  }
}

TEST(RunSettings, ProxyOptionBecomesTheLastProxyAndEveryNewJobUsesIt) {
  Settings s;
  CliOptions o = parsed({"--proxy", "socks5://u:p@127.0.0.1:1080", "http://h/f"});
  RunSettings r = applyCliOverrides(o, s);
  ASSERT_EQ(r.proxies.size(), s.proxy.proxies.size() + 1);
  EXPECT_EQ(r.cliProxyIndex, r.proxies.size());
  const ProxyRecord& p = r.proxies.back();
  EXPECT_EQ(p.type, kProxySocks5);
  EXPECT_EQ(p.server, "127.0.0.1");
  EXPECT_EQ(p.port, 1080);
  EXPECT_TRUE(p.flags & proxyflags::kAuthenticate);
  AddJobRequest req = addRequestFor(o, r, "http://h/f");
  EXPECT_EQ(req.httpProxy, r.cliProxyIndex);
  EXPECT_EQ(req.ftpProxy, r.cliProxyIndex);
  EXPECT_EQ(req.startMode, kStartManual);
}

TEST(RunSettings, DirectoryOptionsBecomeTheNewJobsOptionBits) {
  Settings s;
  CliOptions plain = parsed({"ftp://h/pub/"});
  EXPECT_EQ(addRequestFor(plain, applyCliOverrides(plain, s), "ftp://h/pub/").extraFlags, 0);
  CliOptions walk = parsed({"-r", "--ftp-category", "ftp://h/pub/"});
  EXPECT_EQ(addRequestFor(walk, applyCliOverrides(walk, s), "ftp://h/pub/").extraFlags,
            jobflags::kFtpSubdirs | jobflags::kFtpCreateDirs | jobflags::kFtpCategory);
}

TEST(RunSettings, DatabasePathPrefersTheOptionThenTheLastUsedFile) {
  Settings s;
  s.dataFile.remoteFile = "/data/last.npd";
  EXPECT_EQ(databasePathFor(parsed({"--db", "/x/a.npd", "--list"}), s), "/x/a.npd");
  EXPECT_EQ(databasePathFor(parsed({"--list"}), s), "/data/last.npd");
}

TEST(JobListing, OneLinePerJob) {
  JobRecord j;
  j.fileName = "a.iso";
  j.url = "http://h/a.iso";
  j.fileSize = 2048;
  j.downloaded = 1024;
  EXPECT_EQ(listLine(j), "stopped     50%         2048 a.iso  http://h/a.iso");
  j.fileSize = -1;
  j.flags |= jobflags::kFailed;
  EXPECT_EQ(listLine(j), "failed       0%            - a.iso  http://h/a.iso");
}

}  // namespace
}  // namespace fw

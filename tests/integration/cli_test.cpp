// fetchwright-cli end to end against a local nginx: the program is run as a user runs
// it, and the files it leaves are compared byte for byte.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/cli_process.h"
#include "support/nginx_server.h"
#include "support/server_process.h"
#include "support/temp_dir.h"
#include "support/test_certs.h"

extern char** environ;

namespace fw::test {
namespace {

std::string pattern(size_t size, unsigned seed) {
  std::string s(size, '\0');
  std::mt19937 gen(seed);
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>(gen() & 0xFF);
  return s;
}

int64_t fileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

ino_t inodeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access(kCli.c_str(), X_OK) != 0) GTEST_SKIP() << "fetchwright-cli not built";
  }
  bool startNginx(NginxServer& nginx) {
    std::string bin = findBinary("nginx");
    if (bin.empty()) return false;
    return nginx.start(bin);
  }
  std::string url(const NginxServer& n, const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(n.httpPort()) + "/" + path;
  }

  TempDir home{"fw-cli-home"};
  TempDir out{"fw-cli-out"};
};

TEST_F(CliTest, UsageErrorsExitTwoNamingTheArgument) {
  CliProcess p(home.path(), {"--split", "99", "http://127.0.0.1:1/x"});
  ASSERT_TRUE(p.started());
  EXPECT_EQ(p.wait(), 2);
  EXPECT_NE(p.output().find("--split"), std::string::npos) << p.output();
  CliProcess none(home.path(), {});
  EXPECT_EQ(none.wait(), 2);
}

TEST_F(CliTest, SeveralFilesWithOneFailingUrlAmongThem) {
  FW_REQUIRE_BINARY(nginxBin, "nginx");
  NginxServer nginx;
  std::string a = pattern(3 * 1024 * 1024 + 17, 1);
  std::string b = pattern(1, 2);
  std::string c = pattern(200 * 1024, 3);
  nginx.addFile("a.bin", a);
  nginx.addFile("dir/b.bin", b);
  nginx.addFile("c.bin", c);
  ASSERT_TRUE(nginx.start(nginxBin)) << nginx.error();
  std::string db = home.file("jobs.npd");
  CliProcess p(home.path(), {"-s", "4", "-d", out.path(), "--db", db, "--retries", "0", "--timeout",
                             "10", url(nginx, "a.bin"), url(nginx, "dir/b.bin"),
                             url(nginx, "missing.bin"), url(nginx, "c.bin"), "notaurl"});
  int code = p.wait();
  std::string log = p.output();
  EXPECT_EQ(code, 1) << log;
  EXPECT_EQ(readFileText(out.file("a.bin")), a) << log;
  EXPECT_EQ(readFileText(out.file("b.bin")), b) << log;
  EXPECT_EQ(readFileText(out.file("c.bin")), c) << log;
  EXPECT_NE(log.find("invalid URL: notaurl"), std::string::npos) << log;
  EXPECT_NE(log.find("3 completed, 2 failed"), std::string::npos) << log;

  CliProcess list(home.path(), {"--list", "--db", db});
  EXPECT_EQ(list.wait(), 0);
  std::string listing = list.output();
  EXPECT_NE(listing.find("complete   100%      3145745 a.bin"), std::string::npos) << listing;
  EXPECT_NE(listing.find("missing.bin"), std::string::npos) << listing;
}

TEST_F(CliTest, ResumeAfterInterruptOrKillEndsWithTheExactBytes) {
  FW_REQUIRE_BINARY(nginxBin, "nginx");
  NginxServer nginx;
  std::string data = pattern(20 * 1024 * 1024 + 5, 9);
  nginx.addFile("slow/big.bin", data);
  nginx.addServerConfig("location /slow/ { limit_rate 1m; }\n");
  ASSERT_TRUE(nginx.start(nginxBin)) << nginx.error();
  std::string db = home.file("jobs.npd");
  std::string target = out.file("big.bin");

  // Interrupt, kill at several moments, then finish.
  struct Step {
    int signal;
    int64_t afterBytes;
  } steps[] = {{SIGINT, 2 * 1024 * 1024}, {SIGKILL, 3 * 1024 * 1024}, {SIGKILL, 3 * 1024 * 1024}};
  bool first = true;
  for (const Step& s : steps) {
    std::vector<std::string> args{"-s", "3", "-d", out.path(), "--db", db};
    if (first)
      args.push_back(url(nginx, "slow/big.bin"));
    else
      args.push_back("--resume");
    first = false;
    CliProcess p(home.path(), args);
    // Wait (bounded) until the download is under way.
    for (int i = 0; i < 600; ++i) {
      int64_t got = std::max(fileSize(target + ".np!"), fileSize(target));
      if (got >= 0) {
        // The file is reserved at full size: watch the saved progress instead, through
        // elapsed real time at the throttled rate (3 connections of 1 MiB/s).
        std::this_thread::sleep_for(std::chrono::milliseconds(s.afterBytes / (3 * 1024)));
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    p.signal(s.signal);
    int code = p.wait(60);
    if (s.signal == SIGINT)
      EXPECT_EQ(code, 130) << p.output();
    else
      EXPECT_EQ(code, 128 + SIGKILL);
    ASSERT_LT(fileSize(target), 0)
        << "the download ended before the signal; the test proves nothing";
  }
  CliProcess last(home.path(), {"-d", out.path(), "--db", db, "--resume"});
  int code = last.wait(120);
  EXPECT_EQ(code, 0) << last.output();
  EXPECT_TRUE(readFileText(target) == data) << "size " << fileSize(target) << "\n" << last.output();
}

TEST_F(CliTest, KillsBeforeAnyPeriodicSaveAndAmidFlushesLeaveNoHoles) {
  FW_REQUIRE_BINARY(nginxBin, "nginx");
  NginxServer nginx;
  std::string data = pattern(64 * 1024 * 1024 + 11, 21);
  nginx.addFile("q/big.bin", data);
  nginx.addServerConfig("location /q/ { limit_rate 2m; }\n");
  ASSERT_TRUE(nginx.start(nginxBin)) << nginx.error();
  std::string db = home.file("kills.npd");
  std::string target = out.file("big.bin");

  // With the periodic save at its default of 10 seconds, a kill soon after the file is
  // made finds only the save taken when the target was created.
  {
    CliProcess p(home.path(), {"-s", "4", "-d", out.path(), "--db", db, url(nginx, "q/big.bin")},
                 "");
    bool created = false;
    for (int i = 0; i < 600 && !created; ++i) {
      created = fileSize(target + ".np!") >= 0;
      if (!created) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(created) << p.output();
    // The save that records the new file replaces the database file (a new inode); it may
    // have happened already.
    ino_t seen = inodeOf(db);
    for (int i = 0; i < 100 && inodeOf(db) == seen; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    p.signal(SIGKILL);
    EXPECT_EQ(p.wait(60), 128 + SIGKILL);
  }
  // Then kills at staggered moments of later runs, while four connections pour data in and
  // the write cache is flushed several times a second.
  for (int ms : {900, 1400, 1900, 2400}) {
    CliProcess p(home.path(), {"-d", out.path(), "--db", db, "--resume"});
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    p.signal(SIGKILL);
    EXPECT_EQ(p.wait(60), 128 + SIGKILL);
    ASSERT_LT(fileSize(target), 0) << "the download ended before the kill; the test proves less";
  }
  CliProcess last(home.path(), {"-d", out.path(), "--db", db, "--resume"});
  EXPECT_EQ(last.wait(120), 0) << last.output();
  EXPECT_TRUE(readFileText(target) == data) << "size " << fileSize(target) << "\n" << last.output();
}

TEST_F(CliTest, ManualLimitHoldsEveryRoleToTheBudgetOfEachSecond) {
  FW_REQUIRE_BINARY(nginxBin, "nginx");
  NginxServer nginx;
  std::string data = pattern(3000, 6);
  nginx.addFile("l.bin", data);
  ASSERT_TRUE(nginx.start(nginxBin)) << nginx.error();
  auto t0 = std::chrono::steady_clock::now();
  CliProcess p(home.path(), {"-s", "2", "--limit", "600", "-d", out.path(), "--db",
                             home.file("l.npd"), url(nginx, "l.bin")});
  EXPECT_EQ(p.wait(), 0) << p.output();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_TRUE(readFileText(out.file("l.bin")) == data);
  // The response head is read before the budget applies, and with it up to 1 KiB of the
  // body; the remaining 2 KiB or more at 600 bytes a second need at least three refills.
  EXPECT_GE(seconds, 2.9) << p.output();
}

TEST_F(CliTest, HttpsChecksTheCertificateUnlessToldNotTo) {
  FW_REQUIRE_BINARY(nginxBin, "nginx");
  FW_REQUIRE_BINARY(opensslBin, "openssl");
  TempDir certDir{"fw-cli-certs"};
  TestCertificates certs = makeTestCertificates(certDir.path(), opensslBin);
  ASSERT_TRUE(certs.error.empty()) << certs.error;
  NginxServer nginx;
  std::string data = pattern(2 * 1024 * 1024 + 3, 4);
  nginx.addFile("s.bin", data);
  size_t site = nginx.addTlsSite(certs.valid.cert, certs.valid.key);
  ASSERT_TRUE(nginx.start(nginxBin)) << nginx.error();
  std::string url = "https://127.0.0.1:" + std::to_string(nginx.tlsSites()[site].port) + "/s.bin";
  std::string db = home.file("tls.npd");

  // The test's own authority is not in the system's trust store.
  CliProcess refused(home.path(), {"-d", out.path(), "--db", db, "--retries", "0", url});
  EXPECT_EQ(refused.wait(), 1) << refused.output();
  EXPECT_NE(refused.output().find("SSL Error occured!"), std::string::npos) << refused.output();

  CliProcess accepted(home.path(), {"-s", "4", "-d", out.path(), "--db", home.file("tls2.npd"),
                                    "--no-verify", url});
  EXPECT_EQ(accepted.wait(), 0) << accepted.output();
  EXPECT_TRUE(readFileText(out.file("s.bin")) == data);
}

int countOf(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// The same URLs given again, run after run on one database: an unfinished job is resumed
// (in the new folder while nothing of it is on disk, where it is once part of it is), a
// complete one whose file is there is reported and not fetched, --again and a file that
// is gone fetch it anew.
TEST_F(CliTest, AUrlGivenAgainIsResumedReportedOrFetchedAnew) {
  FW_REQUIRE_BINARY(nginxBin, "nginx");
  NginxServer nginx;
  const std::string once = pattern(300 * 1024 + 7, 31);
  const std::string late = pattern(70 * 1024, 32);
  const std::string big = pattern(8 * 1024 * 1024 + 1, 33);
  nginx.addFile("once.bin", once);
  nginx.addFile("slow/big.bin", big);
  nginx.addServerConfig("location /slow/ { limit_rate 1m; }\n");
  ASSERT_TRUE(nginx.start(nginxBin)) << nginx.error();
  TempDir other{"fw-cli-other"};
  const std::string a = out.path(), b = other.path();
  const std::string db = home.file("again.npd");

  struct Step {
    const char* what;
    std::string path;               // of the URL
    std::vector<std::string> args;  // besides --db and the URL
    std::function<void()> before;   // done before the run
    bool interrupt;                 // SIGINT once part of the file is on disk
    int exitCode;
    std::vector<std::string> said;  // output lines the run must print (contained)
    std::string file;               // where the whole file must be afterwards
    const std::string* bytes;
    std::string absent;  // a path that must not exist afterwards
    int fetches;         // GET requests of this run for the path; -1: any
  };
  const Step steps[] = {
      {"a first attempt fails: nothing of it is on disk",
       "late.bin",
       {"-d", a, "--retries", "0"},
       nullptr,
       false,
       1,
       {"0 completed, 1 failed"},
       "",
       nullptr,
       a + "/late.bin",
       -1},
      {"retried elsewhere, it takes the new folder",
       "late.bin",
       {"-d", b},
       [&] { nginx.addFile("late.bin", late); },
       false,
       0,
       {"resuming late.bin in " + b + " (0%)", "1 completed, 0 failed"},
       b + "/late.bin",
       &late,
       a + "/late.bin",
       -1},
      // One connection: the fetch counts below are then one GET per fetch, whether or
      // not a second connection would have started before the first one finished.
      {"a file fetched whole",
       "once.bin",
       {"-s", "1", "-d", a},
       nullptr,
       false,
       0,
       {"1 completed"},
       a + "/once.bin",
       &once,
       "",
       -1},
      {"given again it is reported, not fetched",
       "once.bin",
       {"-d", a},
       nullptr,
       false,
       0,
       {"already downloaded: " + a + "/once.bin", "1 completed, 0 failed"},
       a + "/once.bin",
       &once,
       "",
       0},
      {"--again fetches it anew",
       "once.bin",
       {"-d", a, "--again"},
       nullptr,
       false,
       0,
       {"downloading again: once.bin in " + a, "1 completed, 0 failed"},
       a + "/once.bin",
       &once,
       "",
       1},
      {"a file that is gone is fetched anew",
       "once.bin",
       {"-d", a},
       [&] { ::unlink((a + "/once.bin").c_str()); },
       false,
       0,
       {"fetching anew, " + a + "/once.bin is gone: once.bin in " + a},
       a + "/once.bin",
       &once,
       "",
       1},
      {"an interrupted download",
       "slow/big.bin",
       {"-s", "2", "-d", a},
       nullptr,
       true,
       130,
       {},
       "",
       nullptr,
       a + "/big.bin",
       -1},
      {"given again with another folder, it goes on where its part is",
       "slow/big.bin",
       {"-d", b},
       nullptr,
       false,
       0,
       {"resuming big.bin in " + a + " (", ", not in " + b + ": part of it is already there"},
       a + "/big.bin",
       &big,
       b + "/big.bin",
       -1},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    if (s.before) s.before();
    const std::string url = this->url(nginx, s.path);
    const int fetchesBefore = countOf(nginx.accessLog(), "GET /" + s.path + " ");
    std::vector<std::string> args = s.args;
    args.insert(args.end(), {"--db", db, url});
    CliProcess p(home.path(), args);
    ASSERT_TRUE(p.started());
    if (s.interrupt) {
      // Bounded: 20 s at most for the file to appear, then a second of transfer.
      for (int i = 0; i < 400 && fileSize(a + "/big.bin.np!") < 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      std::this_thread::sleep_for(std::chrono::milliseconds(1000));
      p.signal(SIGINT);
    }
    const int code = p.wait(120);
    const std::string log = p.output();
    EXPECT_EQ(code, s.exitCode) << log;
    for (const std::string& line : s.said) EXPECT_NE(log.find(line), std::string::npos) << log;
    if (!s.file.empty()) EXPECT_TRUE(readFileText(s.file) == *s.bytes) << s.file << "\n" << log;
    if (!s.absent.empty()) EXPECT_LT(fileSize(s.absent), 0) << s.absent;
    if (s.fetches >= 0)
      EXPECT_EQ(countOf(nginx.accessLog(), "GET /" + s.path + " ") - fetchesBefore, s.fetches);
    if (s.interrupt) ASSERT_LT(fileSize(a + "/big.bin"), 0) << "ended before the interrupt";
  }
}

}  // namespace
}  // namespace fw::test

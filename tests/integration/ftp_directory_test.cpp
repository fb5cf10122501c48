// FTP directory jobs end to end: a job whose URL ends in "/" lists the directory on a
// real server, the listed files become jobs, and those download to the exact bytes,
// flat or in sub-folders. Against vsftpd (a real tree), the scripted pyftpdlib server
// (hostile names in its listings) and through fetchwright-cli -r.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include "store/directory_jobs.h"
#include "store/job_database.h"
#include "support/download_rig.h"
#include "support/ftp_servers.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

extern char** environ;

namespace fw {
namespace {

namespace fs = std::filesystem;
using test::allLines;
using test::DownloadRig;
using test::readFileText;
using test::TempDir;

std::string pattern(size_t size, unsigned seed) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i)
    s[i] = static_cast<char>((i * 131 + seed * 17 + (i >> 9)) & 0xFF);
  return s;
}

// The files of the served tree, below "pub/".
const std::map<std::string, std::string>& servedTree() {
  static const std::map<std::string, std::string> tree = {
      {"a.bin", pattern(70000, 1)},
      {"with space.bin", pattern(1000, 2)},
      {"sub/b.bin", pattern(3000, 3)},
      {"sub/deeper/c.txt", "line one\nline two\n"},
  };
  return tree;
}

// vsftpd serving the tree below "pub/"; false with the reason in `why` when it did not
// come up.
bool startTree(test::VsftpdServer& server, const std::string& binary, std::string& why) {
  for (const auto& [rel, bytes] : servedTree()) server.addFile("pub/" + rel, bytes);
  if (server.start(binary)) return true;
  why = server.error();
  return false;
}

std::vector<std::string> sortedUrls(const std::vector<DirectoryFile>& files, size_t prefix) {
  std::vector<std::string> out;
  for (const DirectoryFile& f : files) out.push_back(f.url.substr(prefix));
  std::sort(out.begin(), out.end());
  return out;
}

// Every regular file below `dir`, relative to it.
std::vector<std::string> filesBelow(const std::string& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (!e.is_directory()) out.push_back(fs::relative(e.path(), dir).string());
  std::sort(out.begin(), out.end());
  return out;
}

// The main thread's side: the listed files become jobs of a tree, and each one is
// downloaded by a controller and its Roles of its own.
class FileJobs {
 public:
  FileJobs() {
    ::setenv("FETCHWRIGHT_HOME", home.path().c_str(), 1);
    buildDefaultTree(tree, home.path());
    settings.general.defaultPath = home.path();
  }
  std::vector<JobRecord*> add(const JobRecord& dirJob, const std::vector<DirectoryFile>& files) {
    JobContext ctx{tree, settings, nullptr, nullptr, nullptr, {}, {}};
    DirectoryJobsOutcome out;
    addDirectoryJobs(ctx, dirJob, files, &out);
    return out.added;
  }
  // Downloads `job` (its URL, folder and name); false with the Roles' log in `log`.
  static bool download(const JobRecord& job, bool passive, std::string& log) {
    DownloadRig rig;
    rig.job.url = job.url;
    rig.job.saveDir = job.saveDir;
    rig.job.fileName = job.fileName;
    if (passive) {
      ProxyRecord direct;
      direct.flags = proxyflags::kPassive;
      rig.host.proxies.push_back(direct);
      rig.job.ftpProxy = 1;
    }
    bool ok = rig.run(60) && rig.host.lastComplete;
    log = allLines(rig);
    return ok;
  }

  TempDir home{"fwdirhome"};
  CategoryTree tree;
  Settings settings;
};

bool requireRoot() {
  // vsftpd drops to its unprivileged user for anonymous sessions: it needs root to start.
  return geteuid() == 0;
}

TEST(FtpDirectoryVsftpd, WithoutSubdirectoriesOnlyTheDirectorysOwnFilesAndNoFileOfItsOwn) {
  FW_REQUIRE_BINARY(binary, "vsftpd");
  if (!requireRoot()) GTEST_SKIP() << "vsftpd needs to start as root";
  test::VsftpdServer server;
  std::string why;
  ASSERT_TRUE(startTree(server, binary, why)) << why;
  DownloadRig rig;  // active mode: no passive proxy record
  rig.job.url = server.url("pub/");
  // A name the user fixed, of a type the after-download program is set for.
  rig.job.fileName = "listing.zip";
  rig.job.flags2 |= jobflags2::kNameFixed;
  rig.ending.runProgram = true;
  rig.ending.program = "/bin/true";
  rig.ending.programTypes = ".ZIP";
  ASSERT_TRUE(rig.run(60)) << allLines(rig);
  EXPECT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_EQ(rig.host.listings, 1);
  EXPECT_EQ(sortedUrls(rig.host.listedFiles, rig.job.url.size()),
            (std::vector<std::string>{"a.bin", "with%20space.bin"}));
  EXPECT_TRUE(rig.logged("Directory listed: 2 file(s)")) << allLines(rig);
  // The directory job leaves nothing on disk and runs no program on a file it has not.
  EXPECT_EQ(filesBelow(rig.dir.path()), std::vector<std::string>{});
  EXPECT_TRUE(rig.host.programs.empty());
}

TEST(FtpDirectoryVsftpd, WholeTreeIntoSubFoldersWithTheExactBytes) {
  FW_REQUIRE_BINARY(binary, "vsftpd");
  if (!requireRoot()) GTEST_SKIP() << "vsftpd needs to start as root";
  test::VsftpdServer server;
  std::string why;
  ASSERT_TRUE(startTree(server, binary, why)) << why;
  DownloadRig rig;
  ProxyRecord direct;
  direct.flags = proxyflags::kPassive;
  rig.host.proxies.push_back(direct);
  rig.job.ftpProxy = 1;
  rig.job.url = server.url("pub/");
  rig.job.flags |= jobflags::kFtpSubdirs | jobflags::kFtpCreateDirs;
  ASSERT_TRUE(rig.run(60)) << allLines(rig);
  ASSERT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_EQ(
      sortedUrls(rig.host.listedFiles, rig.job.url.size()),
      (std::vector<std::string>{"a.bin", "sub/b.bin", "sub/deeper/c.txt", "with%20space.bin"}));

  FileJobs jobs;
  TempDir out{"fwdirout"};
  JobRecord dirJob = rig.job;
  dirJob.saveDir = out.path();
  std::vector<JobRecord*> added = jobs.add(dirJob, rig.host.listedFiles);
  ASSERT_EQ(added.size(), 4u);
  for (JobRecord* job : added) {
    std::string log;
    EXPECT_TRUE(FileJobs::download(*job, true, log)) << job->url << "\n" << log;
  }
  std::vector<std::string> want;
  for (const auto& [rel, bytes] : servedTree()) {
    want.push_back(rel);
    EXPECT_TRUE(readFileText(out.file(rel)) == bytes) << rel;
  }
  EXPECT_EQ(filesBelow(out.path()), want);

  // Listed again, every file is already a job: nothing new.
  EXPECT_TRUE(jobs.add(dirJob, rig.host.listedFiles).empty());
}

class FtpDirectoryPyftpdlib : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::PyftpdlibServer::available()) {
      if (test::runningInCi()) FAIL() << "python3-pyftpdlib missing";
      GTEST_SKIP() << "python3-pyftpdlib missing (install it to run)";
    }
  }

  test::PyftpdlibServer server;
};

TEST_F(FtpDirectoryPyftpdlib, HostileNamesAreSkippedAndNothingLandsOutsideTheSaveFolder) {
  const std::string ok = pattern(5, 9);
  server.addFile("pub/ok.bin", ok);
  ASSERT_TRUE(server.start({"hostile-list"})) << server.error();

  DownloadRig rig;
  rig.job.url = server.url("pub/");
  rig.job.flags |= jobflags::kFtpSubdirs | jobflags::kFtpCreateDirs;
  ASSERT_TRUE(rig.run(60)) << allLines(rig);
  ASSERT_TRUE(rig.host.lastComplete) << allLines(rig);
  EXPECT_EQ(sortedUrls(rig.host.listedFiles, rig.job.url.size()),
            std::vector<std::string>{"ok.bin"});
  for (const char* shown : {"../../x", "bad\\x01name", "cr\\x0Dname", "/etc/passwd", "../up"})
    EXPECT_TRUE(rig.logged(std::string("Unsafe name skipped: ") + shown)) << shown << "\n"
                                                                          << allLines(rig);
  EXPECT_FALSE(rig.logged("Unsafe name skipped: ..\n"));

  // The save folder sits one level down, so that anything climbing out would show.
  TempDir out{"fwdirpyout"};
  JobRecord dirJob = rig.job;
  dirJob.saveDir = out.file("save");
  FileJobs jobs;
  std::vector<DirectoryFile> handed = rig.host.listedFiles;
  // A listing is never trusted on its way to the tree either.
  handed.push_back(DirectoryFile{rig.job.url + "%2E%2E/%2E%2E/x", "", 5, {}});
  handed.push_back(DirectoryFile{rig.job.url + "x", "../..", 5, {}});
  std::vector<JobRecord*> added = jobs.add(dirJob, handed);
  ASSERT_EQ(added.size(), 1u);
  std::string log;
  EXPECT_TRUE(FileJobs::download(*added[0], false, log)) << log;
  EXPECT_EQ(readFileText(out.file("save/ok.bin")), ok);
  EXPECT_EQ(filesBelow(out.path()), std::vector<std::string>{"save/ok.bin"});
}

// fetchwright-cli as a user runs it; exit code and output once it has ended.
int runCli(const std::string& home, std::vector<std::string> args, std::string& output) {
  const std::string cli = std::string(FW_BINARY_DIR) + "/app/fetchwright-cli/fetchwright-cli";
  if (::access(cli.c_str(), X_OK) != 0) return -2;
  std::vector<std::string> argv{cli};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  std::vector<std::string> envs{"FETCHWRIGHT_HOME=" + home, "PATH=/usr/bin:/bin"};
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "TSAN_OPTIONS"}) {
    if (const char* value = getenv(name)) envs.push_back(std::string(name) + "=" + value);
  }
  std::vector<char*> cenv;
  for (auto& e : envs) cenv.push_back(e.data());
  cenv.push_back(nullptr);
  const std::string logPath = home + "/cli.log";
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&fa, 1, 2);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  pid_t pid = -1;
  int spawned = posix_spawn(&pid, cli.c_str(), &fa, nullptr, cargv.data(), cenv.data());
  posix_spawn_file_actions_destroy(&fa);
  if (spawned != 0) return -1;
  int code = -1;
  for (int i = 0; i < 120 * 20; ++i) {
    int st = 0;
    if (waitpid(pid, &st, WNOHANG) == pid) {
      code = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (code == -1) {
    ::kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  output = readFileText(logPath);
  return code;
}

TEST(FtpDirectoryCli, RecursiveRunFetchesTheTreeAndFailsWhenOneFileFails) {
  FW_REQUIRE_BINARY(binary, "vsftpd");
  if (!requireRoot()) GTEST_SKIP() << "vsftpd needs to start as root";
  test::VsftpdServer server;
  std::string why;
  ASSERT_TRUE(startTree(server, binary, why)) << why;
  TempDir home{"fwdircli"};
  TempDir out{"fwdirclout"};
  std::string output;
  int code =
      runCli(home.path(),
             {"-r", "--ftp-category", "-s", "2", "-d", out.path(), "--db", home.file("jobs.npd"),
              "--retries", "1", "--timeout", "10", server.url("pub/")},
             output);
  if (code == -2) GTEST_SKIP() << "fetchwright-cli not built";
  EXPECT_EQ(code, 0) << output;
  for (const auto& [rel, bytes] : servedTree())
    EXPECT_TRUE(readFileText(out.file(rel)) == bytes) << rel << "\n" << output;
  EXPECT_NE(output.find("5 completed, 0 failed"), std::string::npos) << output;

  // A file the server lists but will not give makes the run fail.
  server.lock("pub/sub/b.bin");
  TempDir home2{"fwdircli2"};
  TempDir out2{"fwdirclout2"};
  code = runCli(home2.path(),
                {"--recursive", "-d", out2.path(), "--db", home2.file("jobs.npd"), "--retries", "1",
                 "--timeout", "10", server.url("pub/")},
                output);
  EXPECT_EQ(code, 1) << output;
  EXPECT_TRUE(readFileText(out2.file("a.bin")) == servedTree().at("a.bin")) << output;
  EXPECT_NE(output.find("4 completed, 1 failed"), std::string::npos) << output;

  // vsftpd lists a missing directory as an empty one; the run must still fail.
  code = runCli(home2.path(),
                {"-d", out2.path(), "--db", home2.file("jobs.npd"), "--retries", "1", "--timeout",
                 "10", server.url("pub/missing/")},
                output);
  EXPECT_EQ(code, 1) << output;
  EXPECT_NE(output.find("0 completed, 1 failed"), std::string::npos) << output;
}

}  // namespace
}  // namespace fw

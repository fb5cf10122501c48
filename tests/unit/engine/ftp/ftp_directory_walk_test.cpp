// The walk of an FTP directory job against a scripted server whose listings are set per
// path.

#include "engine/ftp/ftp_directory_walk.h"

#include <gtest/gtest.h>

#include <map>

#include "engine/base/control_codes.h"
#include "unit/engine/ftp/ftp_scripted_peer.h"

namespace fw {
namespace {

using test::RecordingChannel;
using test::ScriptedLink;

class NoHooks : public FtpStepHooks, public FtpReceiveSink {
 public:
  int touched = 0;
  bool hasOpenTarget() override { return false; }
  int prepareTarget() override { return ++touched, -1; }
  int checkDiskSpace() override { return 1; }
  void deleteTarget() override { ++touched; }
  void resetJob() override { ++touched; }
  void setBufferOffset(int64_t) override {}
  int flushBuffer() override { return 1; }
  FtpReceiveSink& receiveSink() override { return *this; }
  size_t prepare(char*&) override { return 0; }
  int accepted(size_t) override { return 0; }
  int peerClosed() override { return 1; }
};

// Hands out data links; the listing is pushed into the last one when "LIST" arrives.
class ListingDialer : public FtpDataDialer {
 public:
  explicit ListingDialer(FakeClock& c) : clock(c) {}
  FakeClock& clock;
  ScriptedLink* last = nullptr;
  int connects = 0;
  int connect(RoleRecord&, const ProxyRecord&, const std::string&, int, int,
              std::unique_ptr<FtpLink>& out, int&) override {
    ++connects;
    auto link = std::make_unique<ScriptedLink>(clock);
    link->closeAtEnd();
    last = link.get();
    out = std::move(link);
    return 1;
  }
  int listen(const std::string&, std::unique_ptr<FtpListener>&, int&) override { return -1; }
};

std::string unixLine(char type, const std::string& name, int size = 100) {
  return std::string(1, type) + "rw-r--r--   1 ftp      ftp      " + std::to_string(size) +
         " Jan 10 12:30 " + name + "\r\n";
}

class FtpDirectoryWalkTest : public ::testing::Test {
 protected:
  FtpDirectoryWalkTest()
      : control(clock),
        dialer(clock),
        view{job, jobLock, progressLock},
        ctx{session, view, settings, hooks, flags} {
    role.clock = &clock;
    role.channel = &channel;
    role.roleNo = 1;
    role.proxy.flags = proxyflags::kPassive;
    role.target.url = "ftp://u:p@h.test:2121/pub/";
    role.target.path = "/pub/";
    control.responder = [this](const std::string& l) -> std::string {
      if (l == "TYPE A") return "200 ok\r\n";
      if (l == "PASV") return "227 Entering Passive Mode (127,0,0,1,4,1)\r\n";
      if (l.rfind("CWD ", 0) == 0)
        return listings.count(l.substr(4)) ? "250 ok\r\n" : "550 No such directory\r\n";
      if (l.rfind("LIST ", 0) == 0) {
        auto it = listings.find(l.substr(5));
        if (it == listings.end()) return "550 No such directory\r\n";
        dialer.last->push(it->second);
        return "150 Here it comes\r\n226 Done\r\n";
      }
      return "502 no\r\n";
    };
    session.control = &control;
    session.dialer = &dialer;
    listings["/pub/"] = unixLine('-', "a.bin") + unixLine('d', "sub") + unixLine('d', ".") +
                        unixLine('d', "..") + unixLine('l', "loop -> .") +
                        unixLine('-', "bad\x1b]0;x\x07name") + unixLine('-', "my file.txt");
    listings["/pub/sub/"] = unixLine('-', "b.bin", 7) + unixLine('d', "deeper");
    listings["/pub/sub/deeper/"] = unixLine('-', "c.txt");
  }
  std::vector<std::string> urls(const std::vector<DirectoryFile>& files) {
    std::vector<std::string> out;
    for (const DirectoryFile& f : files) out.push_back(f.url.substr(role.target.url.size()));
    return out;
  }
  std::vector<std::string> lists() {
    std::vector<std::string> out;
    for (const std::string& l : control.lines)
      if (l.rfind("LIST", 0) == 0) out.push_back(l);
    return out;
  }
  int walk(bool recursive, std::vector<DirectoryFile>& out, DirectoryWalkLimits limits = {}) {
    return walkFtpDirectory(session, role, settings, "/pub/", role.target.url, recursive, limits,
                            out);
  }

  FakeClock clock;
  ScriptedLink control;
  ListingDialer dialer;
  RecordingChannel channel;
  RoleRecord role;
  std::map<std::string, std::string> listings;  // by LIST argument
  FtpSession session;
  FtpSettings settings;
  JobRecord job;
  Lock jobLock, progressLock;
  FtpJobView view;
  NoHooks hooks;
  std::atomic<uint32_t> flags{0};
  FtpStepContext ctx;
};

TEST_F(FtpDirectoryWalkTest, OnlyTheDirectoryItselfWithoutSubdirectories) {
  std::vector<DirectoryFile> files;
  EXPECT_EQ(walk(false, files), 1);
  // A link is a file, whatever it points at; it is never walked into.
  EXPECT_EQ(urls(files), (std::vector<std::string>{"a.bin", "loop", "my%20file.txt"}));
  EXPECT_EQ(lists(), std::vector<std::string>{"LIST /pub/"});
  EXPECT_TRUE(channel.logged(kLogError, "Unsafe name skipped: bad\\x1B]0;x\\x07name"));
  EXPECT_FALSE(channel.anyLogContains(".."));
}

TEST_F(FtpDirectoryWalkTest, SubdirectoriesInListedOrderWithTheirRelativeFolders) {
  std::vector<DirectoryFile> files;
  EXPECT_EQ(walk(true, files), 1);
  EXPECT_EQ(urls(files), (std::vector<std::string>{"a.bin", "loop", "my%20file.txt", "sub/b.bin",
                                                   "sub/deeper/c.txt"}));
  EXPECT_EQ(files[3].subDir, "sub");
  EXPECT_EQ(files[3].size, 7);
  EXPECT_EQ(files[3].date.month, 1);
  EXPECT_EQ(files[4].subDir, "sub/deeper");
  EXPECT_EQ(lists(),
            (std::vector<std::string>{"LIST /pub/", "LIST /pub/sub/", "LIST /pub/sub/deeper/"}));
  EXPECT_EQ(dialer.connects, 3);
}

TEST_F(FtpDirectoryWalkTest, LimitsStopTheWalkWithALogLine) {
  std::vector<DirectoryFile> shallow;
  EXPECT_EQ(walk(true, shallow, DirectoryWalkLimits{1, 100}), 1);
  EXPECT_EQ(urls(shallow).back(), "sub/b.bin");
  EXPECT_TRUE(channel.logged(kLogError, "Directory walk stopped at 1 levels: sub/deeper"));

  // A server that lists the same sub-directory in every directory ends at the depth limit.
  listings.clear();
  std::string path = "/pub/";
  for (int i = 0; i < 40; ++i) {
    listings[path] = unixLine('d', "again") + unixLine('-', "f");
    path += "again/";
  }
  std::vector<DirectoryFile> deep;
  EXPECT_EQ(walk(true, deep), 1);
  EXPECT_EQ(deep.size(), 17u);

  // Nine levels of long names: the "LIST" line of the deepest would be too long to send.
  listings.clear();
  const std::string longName(250, 'n');
  path = "/pub/";
  for (int i = 0; i < 9; ++i) {
    listings[path] = unixLine('d', longName) + unixLine('-', "f");
    path += longName + "/";
  }
  std::vector<DirectoryFile> longPaths;
  EXPECT_EQ(walk(true, longPaths), 1);
  EXPECT_EQ(longPaths.size(), 9u);
  EXPECT_TRUE(channel.anyLogContains("Path too long to list: /pub/nnn"));

  std::vector<DirectoryFile> few;
  EXPECT_EQ(walk(true, few, DirectoryWalkLimits{16, 3}), 1);
  EXPECT_EQ(few.size(), 1u);  // "again", "f", then "again" below: the next one stops it
  EXPECT_TRUE(channel.logged(kLogError, "Directory walk stopped at 3 entries"));
}

TEST_F(FtpDirectoryWalkTest, RefusedSubdirectoryIsSkippedRefusedRootIsAnError) {
  listings.erase("/pub/sub/");
  std::vector<DirectoryFile> files;
  EXPECT_EQ(walk(true, files), 1);
  EXPECT_EQ(files.size(), 3u);
  EXPECT_TRUE(channel.logged(kLogError, "Cannot list /pub/sub/ (reply 550)"));

  // A missing directory is refused when entered, before any listing.
  listings.clear();
  job.flags = jobflags::kFtpSubdirs;
  control.lines.clear();
  EXPECT_EQ(ftpStepDirectoryWalk(role, ctx), kStepDispatch);
  EXPECT_EQ(ctx.code, kResultError);
  EXPECT_TRUE(channel.logged(kLogError, "Invalid URL!"));
  EXPECT_EQ(control.lines, std::vector<std::string>{"CWD /pub/"});
  EXPECT_EQ(channel.count(CtlDirectoryListed), 0);
  EXPECT_FALSE(job.flags & jobflags::kComplete);
}

TEST_F(FtpDirectoryWalkTest, StepHandsTheFilesOverAndCompletesWithoutAFile) {
  job.flags = jobflags::kFtpSubdirs | jobflags::kTempExt;
  size_t handed = 0;
  channel.handler = [&](RoleRecord&, uint32_t code, intptr_t arg) -> intptr_t {
    if (code != CtlDirectoryListed) return 0;
    auto& h = *reinterpret_cast<DirectoryHandOff*>(arg);
    handed = h.files.size();
    h.count = DirectoryAddCount{4, 1, 0};
    return 4;
  };
  EXPECT_EQ(ftpStepDirectoryWalk(role, ctx), kStepEnd);
  EXPECT_EQ(handed, 5u);
  EXPECT_TRUE(channel.logged(kLogState, "Directory listed: 5 file(s)"));
  EXPECT_TRUE(channel.logged(kLogState, "4 job(s) added, 1 already in the list, 0 refused"));
  EXPECT_TRUE(job.flags & jobflags::kComplete);
  EXPECT_FALSE(job.flags & jobflags::kTempExt);
  EXPECT_EQ(hooks.touched, 0);
  // The file steps' own queries never ran.
  for (const std::string& l : control.lines) {
    EXPECT_NE(l.rfind("SIZE", 0), 0u) << l;
    EXPECT_NE(l.rfind("RETR", 0), 0u) << l;
  }
}

}  // namespace
}  // namespace fw

// fetchwright-cli and a job database that another process has open: it never touches
// it, and hands its URLs to the desktop program when that is the owner.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

#include "platform/control_kinds.h"
#include "platform/control_socket.h"
#include "platform/message_loop.h"
#include "platform/paths.h"
#include "store/database_owner.h"
#include "store/job_database.h"
#include "store/url_hand_in.h"
#include "support/cli_process.h"
#include "support/temp_dir.h"
#include "unit/store/store_fakes.h"

namespace fw::test {
namespace {

class CliDatabaseOwner : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access(kCli.c_str(), X_OK) != 0) GTEST_SKIP() << "fetchwright-cli not built";
  }
  EnvLookup env() {
    return [this](const std::string& n) { return n == "FETCHWRIGHT_HOME" ? home.path() : ""; };
  }
  std::string dbPath() { return defaultDatabasePath(dataDir(env())); }
  // Serves `loop` until the program ends; its exit code (-1: still running after 60 s).
  int serveUntilExit(MessageLoop& loop, CliProcess& p) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < end) {
      int code = p.poll();
      if (code >= 0) return code;
      pollfd w{loop.wakeFd(), POLLIN, 0};
      ::poll(&w, 1, 20);
      loop.processPending();
    }
    return -1;
  }

  TempDir home{"fw-owner-home"};
};

TEST_F(CliDatabaseOwner, AnotherCommandLineRunKeepsItsDatabaseAndIsNamed) {
  ASSERT_TRUE(makeDirs(dataDir(env()), 0700));
  std::unique_ptr<DatabaseOwner> owner;
  ASSERT_EQ(DatabaseOwner::acquire(dbPath(), "fetchwright-cli", owner),
            DatabaseOwner::Result::Owned);
  for (std::vector<std::string> args :
       {std::vector<std::string>{"http://127.0.0.1:1/a.bin"}, std::vector<std::string>{"--list"}}) {
    CliProcess p(home.path(), args);
    EXPECT_EQ(p.wait(60), 2) << p.output();
    EXPECT_NE(
        p.output().find("The job database " + dbPath() + " is open in fetchwright-cli (process " +
                        std::to_string(::getpid()) + ")."),
        std::string::npos)
        << p.output();
  }
  EXPECT_NE(::access(dbPath().c_str(), F_OK), 0) << "the refused run wrote the database";
}

TEST_F(CliDatabaseOwner, InAFreshHomeTheFirstRunOwnsTheDatabaseItCreates) {
  // A server that takes the connection and never answers keeps the first run busy.
  int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(listener, 4), 0);
  socklen_t len = sizeof addr;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
  const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/slow.bin";

  ASSERT_NE(::access(dataDir(env()).c_str(), F_OK), 0) << "the home must start empty";
  CliProcess first(home.path(), {url});
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (first.output().find("started:") == std::string::npos && first.poll() < 0 &&
         std::chrono::steady_clock::now() < end)
    ::poll(nullptr, 0, 20);
  ASSERT_NE(first.output().find("started:"), std::string::npos) << first.output();
  CliProcess second(home.path(), {"--list"});
  EXPECT_EQ(second.wait(60), 2) << second.output();
  EXPECT_NE(second.output().find("is open in fetchwright-cli"), std::string::npos)
      << second.output();
  first.signal(SIGKILL);
  ::close(listener);
}

TEST_F(CliDatabaseOwner, UrlsGoToTheDesktopProgramThatOwnsTheDatabase) {
  ASSERT_TRUE(makeDirs(dataDir(env()), 0700));
  std::unique_ptr<DatabaseOwner> owner;
  ASSERT_EQ(DatabaseOwner::acquire(dbPath(), "fetchwright", owner), DatabaseOwner::Result::Owned);

  // Without a control socket answering, nothing is taken and nothing is touched.
  {
    CliProcess p(home.path(), {"http://127.0.0.1:1/a.bin"});
    EXPECT_EQ(p.wait(60), 2) << p.output();
    EXPECT_NE(p.output().find("is open in fetchwright (process"), std::string::npos) << p.output();
    EXPECT_NE(p.output().find("It does not take URLs now."), std::string::npos) << p.output();
  }

  // The owner's side as the desktop program runs it: the core's hand-in on its tree.
  CategoryTree tree;
  Settings settings;
  FakeQueue queue;
  buildDefaultTree(tree, "/dl");
  settings.general.defaultPath = "/dl";
  JobContext ctx{tree, settings, &queue, nullptr, nullptr, {}, {}};
  AddJobRequest existing;
  existing.url = "http://127.0.0.1:1/old.bin";
  ASSERT_NE(addJob(ctx, existing), nullptr);
  queue.calls.clear();
  MessageLoop loop;
  ControlServer server(loop, [&](const ControlRequest& r) {
    std::vector<AddJobRequest> reqs;
    if (r.kind != kControlAddUrls || !decodeHandIn(r.payload, reqs, nullptr))
      return ControlReply{-1, {}};
    auto results = handInUrls(ctx, reqs);
    return ControlReply{static_cast<int32_t>(results.size()), encodeHandInAnswer(results)};
  });
  ASSERT_EQ(server.listen(runtimeDir(env()) + "/control.sock"), ControlServer::Listen::Listening);

  CliProcess some(home.path(), {"-d", "/elsewhere", "-s", "3", "http://127.0.0.1:1/new.bin",
                                "http://127.0.0.1:1/old.bin"});
  EXPECT_EQ(serveUntilExit(loop, some), 1) << some.output();
  EXPECT_NE(some.output().find("added to Fetchwright: new.bin\n"), std::string::npos)
      << some.output();
  EXPECT_NE(some.output().find("http://127.0.0.1:1/old.bin: Duplicate URL\n"), std::string::npos)
      << some.output();
  JobRecord* job = tree.findJobByUrl("http://127.0.0.1:1/new.bin");
  ASSERT_NE(job, nullptr);
  EXPECT_EQ(job->saveDir, "/elsewhere");
  EXPECT_EQ(job->splitCount, 3);
  EXPECT_EQ(job->startMode(), kStartImmediately);
  EXPECT_EQ(queue.calls, std::vector<std::string>{"start http://127.0.0.1:1/new.bin"});

  CliProcess all(home.path(), {"-o", "named.bin", "http://127.0.0.1:1/third"});
  EXPECT_EQ(serveUntilExit(loop, all), 0) << all.output();
  EXPECT_NE(all.output().find("added to Fetchwright: named.bin\n"), std::string::npos)
      << all.output();
  EXPECT_NE(::access(dbPath().c_str(), F_OK), 0) << "a handing-over run wrote the database";
}

}  // namespace
}  // namespace fw::test

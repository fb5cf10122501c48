#include "store/database_owner.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "support/temp_dir.h"

namespace fw {
namespace {

TEST(DatabaseOwner, OneOwnerAtATimeAndTheOthersLearnWho) {
  test::TempDir dir{"fwowner"};
  std::string db = dir.write("Default.npd", "");
  std::unique_ptr<DatabaseOwner> first, second;
  ASSERT_EQ(DatabaseOwner::acquire(db, "fetchwright", first), DatabaseOwner::Result::Owned);

  DatabaseOwnerInfo holder;
  // Another spelling of the same path names the same lock.
  std::string other =
      dir.path() + "/./../" + dir.path().substr(dir.path().rfind('/') + 1) + "/Default.npd";
  EXPECT_EQ(DatabaseOwner::acquire(other, "fetchwright-cli", second, &holder),
            DatabaseOwner::Result::Busy);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(holder.program, "fetchwright");
  EXPECT_EQ(holder.pid, static_cast<long>(::getpid()));
  EXPECT_EQ(databaseBusyText(db, holder), "The job database " + db +
                                              " is open in fetchwright (process " +
                                              std::to_string(::getpid()) + ").");

  // A database reached through a link is the same database.
  std::string link = dir.file("link.npd");
  ASSERT_EQ(::symlink(db.c_str(), link.c_str()), 0);
  EXPECT_EQ(databaseLockPath(link), databaseLockPath(db));

  first.reset();
  EXPECT_EQ(DatabaseOwner::acquire(link, "fetchwright-cli", second), DatabaseOwner::Result::Owned);
}

TEST(DatabaseOwner, AnUnreadableOwnerRecordStillRefusesAndSaysSoPlainly) {
  test::TempDir dir{"fwowner"};
  std::string db = dir.file("x.npd");
  std::unique_ptr<DatabaseOwner> first, second;
  ASSERT_EQ(DatabaseOwner::acquire(db, "fetchwright", first), DatabaseOwner::Result::Owned);
  for (const std::string& junk : {std::string("no newline 12"), std::string("prog 12x\n"),
                                  std::string("\x01\x02 5\n"), std::string(" 7\n")}) {
    std::ofstream(first->lockPath(), std::ios::trunc) << junk;
    DatabaseOwnerInfo holder{"stale", 99};
    ASSERT_EQ(DatabaseOwner::acquire(db, "fetchwright-cli", second, &holder),
              DatabaseOwner::Result::Busy);
    EXPECT_EQ(databaseBusyText("x.npd", holder),
              "The job database x.npd is open in another program.")
        << junk;
  }
}

TEST(DatabaseOwner, AFolderWithoutWriteAccessCannotBeOwnedByAnyone) {
  std::unique_ptr<DatabaseOwner> owner;
  EXPECT_EQ(DatabaseOwner::acquire("/proc/fetchwright-test.npd", "fetchwright-cli", owner),
            DatabaseOwner::Result::Unlockable);
  EXPECT_EQ(owner, nullptr);
}

}  // namespace
}  // namespace fw

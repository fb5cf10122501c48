#include "platform/file_system.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace fw {
namespace {

using test::TempDir;

TEST(FileSystem, NearestExistingAncestor) {
  TempDir dir("fwfs");
  FileSystem& fs = FileSystem::system();
  dir.write("a/file", "x");
  EXPECT_EQ(nearestExistingAncestor(fs, dir.file("a/b/c/")), dir.file("a"));
  EXPECT_EQ(nearestExistingAncestor(fs, dir.file("a")), dir.file("a"));
  EXPECT_EQ(nearestExistingAncestor(fs, "/no-such-top-level-folder/x"), "/");
  EXPECT_EQ(nearestExistingAncestor(fs, "relative/x"), "");
  // Free space of a folder still to be made is that of the disk it will be made on.
  EXPECT_GT(fs.freeBytes(dir.file("a/b/c")), 0);
  EXPECT_EQ(fs.freeBytes("relative"), -1);
}

TEST(FileSystem, MakeDirectoriesReportsTheDeepestExistingLevel) {
  TempDir dir("fwfs");
  FileSystem& fs = FileSystem::system();
  std::string deepest = "unchanged";
  EXPECT_TRUE(makeDirectories(fs, dir.file("x/y//z/"), &deepest));
  EXPECT_TRUE(fs.isDirectory(dir.file("x/y/z")));
  EXPECT_EQ(deepest, "unchanged");
  dir.write("x/plain", "");
  EXPECT_FALSE(makeDirectories(fs, dir.file("x/plain/q"), &deepest));
  EXPECT_EQ(deepest, dir.file("x"));
  EXPECT_FALSE(makeDirectories(fs, "rel/dir", &deepest));
}

TEST(FileSystem, ReserveNeverShortensAndSetLengthCuts) {
  TempDir dir("fwfs");
  FileSystem& fs = FileSystem::system();
  int fd = fs.openReadWrite(dir.file("f"), true);
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(fs.writeAt(fd, "abcdef", 6, 10));
  EXPECT_EQ(fs.fileLength(fd), 16);
  EXPECT_TRUE(fs.reserve(fd, 8));
  EXPECT_EQ(fs.fileLength(fd), 16);
  EXPECT_TRUE(fs.reserve(fd, 1 << 20));
  EXPECT_EQ(fs.fileLength(fd), 1 << 20);
  EXPECT_TRUE(fs.setLength(fd, 12));
  char back[4] = {};
  EXPECT_EQ(fs.readAt(fd, back, 4, 10), 2);
  EXPECT_EQ(std::string(back, 2), "ab");
  fs.closeFile(fd);
  EXPECT_EQ(fs.openReadWrite(dir.file("missing"), false), -1);
}

TEST(FileSystem, MovesNeverReplaceAnExistingFile) {
  TempDir dir("fwfs");
  FileSystem& fs = FileSystem::system();
  dir.write("a", "A");
  dir.write("b", "B");
  EXPECT_FALSE(movePath(fs, dir.file("a"), dir.file("b")));
  EXPECT_EQ(test::readFileText(dir.file("b")), "B");
  EXPECT_TRUE(movePath(fs, dir.file("a"), dir.file("c")));
  EXPECT_FALSE(fs.exists(dir.file("a")));
  EXPECT_TRUE(fs.renamePath(dir.file("c"), dir.file("b"), true));
  EXPECT_EQ(test::readFileText(dir.file("b")), "A");
}

TEST(FileSystem, AvailableMemoryIsRead) {
  EXPECT_GT(FileSystem::system().availableMemoryKB(), 0);
}

}  // namespace
}  // namespace fw

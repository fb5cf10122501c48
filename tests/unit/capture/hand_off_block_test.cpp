#include "capture/module/hand_off_block.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>

namespace fw {
namespace {

// A name of this test's own, so that a real delivery of the user is never touched.
std::string testBlockName() {
  static std::atomic<int> n{0};
  return "/fwtest-Velto-" + std::to_string(::getpid()) + "-" + std::to_string(n++);
}

TEST(HandOffBlock, NameIsPerUserAndPerFetchwrightHome) {
  auto env = [](std::string home) {
    return [home](const std::string& name) { return name == "FETCHWRIGHT_HOME" ? home : ""; };
  };
  std::string plain = "/Velto-" + std::to_string(::geteuid());
  EXPECT_EQ(handOffBlockName(env("")), plain);
  std::string a = handOffBlockName(env("/tmp/a"));
  EXPECT_EQ(a.rfind(plain + "-", 0), 0u);
  EXPECT_EQ(a, handOffBlockName(env("/tmp/a")));
  EXPECT_NE(a, handOffBlockName(env("/tmp/b")));
}

TEST(HandOffBlock, LayOutKeepsWholeLinesAndTheFinalNul) {
  struct Case {
    const char* why;
    std::vector<std::string> lines;
    size_t written;
    std::string text;
  } cases[] = {
      {"two lines", {"http://h/a.zip", "http://h/"}, 2, "http://h/a.zip\r\nhttp://h/\r\n"},
      {"an empty line", {"u", "", "d"}, 3, "u\r\n\r\nd\r\n"},
      {"line breaks inside a line", {"a\r\nb", "c\nd"}, 2, "a  b\r\nc d\r\n"},
      {"a NUL ends a line", {std::string("ab\0cd", 5)}, 1, "ab\r\n"},
      {"exactly full", {std::string(4093, 'x')}, 1, std::string(4093, 'x') + "\r\n"},
      {"one byte over", {std::string(4094, 'x')}, 0, ""},
      {"second line does not fit",
       {std::string(4000, 'x'), std::string(200, 'y'), "z"},
       1,
       std::string(4000, 'x') + "\r\n"},
  };
  for (const Case& c : cases) {
    std::vector<char> block(kHandOffBlockSize, 'Q');
    EXPECT_EQ(layOutHandOffLines(c.lines, block.data()), c.written) << c.why;
    EXPECT_EQ(std::string(block.data()), c.text) << c.why;
    EXPECT_EQ(block.back(), '\0') << c.why;
  }
}

TEST(HandOffBlock, WriterAndReaderRoundTripAndTheBlockGoesAway) {
  std::string name = testBlockName();
  std::string text;
  EXPECT_EQ(readHandOffBlock(text, name), BlockRead::Missing);
  {
    HandOffBlockWriter w(name);
    ASSERT_EQ(w.create(), HandOffBlockWriter::Open::Created);
    EXPECT_EQ(w.write({"http://h/a.zip", "http://h/page"}), 2u);
    ASSERT_EQ(readHandOffBlock(text, name), BlockRead::Read);
    EXPECT_EQ(text, "http://h/a.zip\r\nhttp://h/page\r\n");
    // A second writer meanwhile: the delivery under way keeps the block.
    HandOffBlockWriter other(name);
    EXPECT_EQ(other.create(), HandOffBlockWriter::Open::Busy);
    ASSERT_EQ(readHandOffBlock(text, name), BlockRead::Read);
    EXPECT_EQ(text, "http://h/a.zip\r\nhttp://h/page\r\n");
  }
  EXPECT_EQ(readHandOffBlock(text, name), BlockRead::Missing);
}

TEST(HandOffBlock, ReaderCopiesAtMostTheBlockWhateverTheObjectHolds) {
  // Objects made by hand: larger than a block with no NUL, and shorter than a block.
  for (size_t size : {size_t{8192}, size_t{10}}) {
    std::string name = testBlockName();
    int fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
    std::string fill(size, 'x');
    ASSERT_EQ(::pwrite(fd, fill.data(), fill.size(), 0), static_cast<ssize_t>(size));
    std::string text;
    EXPECT_EQ(readHandOffBlock(text, name), BlockRead::Read);
    EXPECT_EQ(text.size(), std::min(size, kHandOffBlockSize));
    ::close(fd);
    ::shm_unlink(name.c_str());
  }
}

TEST(HandOffBlock, StaleBlockOfACrashedWriterIsReplacedOnce) {
  std::string name = testBlockName();
  // A writer that ended without removing its block leaves it unlocked.
  int stale = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(stale, 0);
  ASSERT_EQ(::ftruncate(stale, kHandOffBlockSize), 0);
  ::close(stale);
  {
    HandOffBlockWriter w(name);
    ASSERT_EQ(w.create(), HandOffBlockWriter::Open::Created);
    w.write({"fresh"});
    std::string text;
    ASSERT_EQ(readHandOffBlock(text, name), BlockRead::Read);
    EXPECT_EQ(text, "fresh\r\n");
  }
  // A block whose writer still holds it (locked) is left alone.
  int live = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(live, 0);
  ASSERT_EQ(::flock(live, LOCK_EX | LOCK_NB), 0);
  HandOffBlockWriter w(name);
  EXPECT_EQ(w.create(), HandOffBlockWriter::Open::Busy);
  std::string text;
  EXPECT_EQ(readHandOffBlock(text, name), BlockRead::Read);
  ::close(live);
  ::shm_unlink(name.c_str());
}

TEST(HandOffBlock, BlockIsPrivateToItsUser) {
  std::string name = testBlockName();
  HandOffBlockWriter w(name);
  ASSERT_EQ(w.create(), HandOffBlockWriter::Open::Created);
  struct stat st {};
  int fd = ::shm_open(name.c_str(), O_RDONLY, 0);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::fstat(fd, &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(st.st_size, static_cast<off_t>(kHandOffBlockSize));
  ::close(fd);
}

}  // namespace
}  // namespace fw

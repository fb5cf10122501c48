#include "engine/storage/cache_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "engine/storage/target_file.h"
#include "platform/fake_clock.h"
#include "support/storage_fakes.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

using test::FaultFileSystem;
using test::TempDir;

uint8_t patternAt(int64_t i) {
  return static_cast<uint8_t>(i * 131 + (i >> 9) + 7);
}

struct Chunk {
  int64_t offset;
  uint16_t length;
};

// Cuts [begin, end) into receive-sized pieces: many full 16 KB ones, some small, some
// just below the block-opening limit.
std::vector<Chunk> cut(int64_t begin, int64_t end, std::mt19937& rng) {
  static const uint16_t sizes[] = {16384, 16384, 16384, 1, 10, 700, 2144, 16373, 16374, 9000};
  std::vector<Chunk> out;
  for (int64_t at = begin; at < end;) {
    int64_t n = std::min<int64_t>(sizes[rng() % std::size(sizes)], end - at);
    out.push_back({at, static_cast<uint16_t>(n)});
    at += n;
  }
  std::shuffle(out.begin(), out.end(), rng);
  return out;
}

int deliver(JobStorage& s, const Chunk& c) {
  ReceiveBuffer buf;
  buf.fileOffset = c.offset;
  buf.fill = c.length;
  for (int i = 0; i < c.length; ++i) buf.data[i] = patternAt(c.offset + i);
  int rc = storeReceived(s, buf, nullptr);
  EXPECT_EQ(buf.fill, 0);
  EXPECT_EQ(buf.fileOffset, 0);
  return rc;
}

class CacheWriter : public ::testing::Test {
 protected:
  CacheWriter() {
    job.saveDir = dir.path();
    job.fileName = "out.bin";
  }
  std::string contents() { return test::readFileText(dir.file("out.bin")); }

  TempDir dir{"fwcache"};
  FaultFileSystem fs;
  FakeClock clock;
  JobRecord job;
  StorageOptions options;
};

TEST_F(CacheWriter, ParallelWritersInRandomOrderProduceThePattern) {
  for (int capKB : {16, 64, 4096}) {
    SCOPED_TRACE(capKB);
    const int threads = 6;
    const int64_t perThread = 200 * 1024 + 333;
    job = JobRecord{};
    job.saveDir = dir.path();
    job.fileName = "out.bin";
    job.fileSize = threads * perThread;
    options.bufferSizeKB = capKB;
    options.collision = CollisionRule::Overwrite;
    JobStorage s(job, options, clock, fs);
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
      pool.emplace_back([&, t] {
        std::mt19937 rng(1234 + t + capKB);
        for (const Chunk& c : cut(t * perThread, (t + 1) * perThread, rng)) {
          ASSERT_EQ(deliver(s, c), 1);
        }
      });
    }
    for (auto& th : pool) th.join();
    // The cap holds for the blocks in use; those of the flush under way come on top.
    EXPECT_LE(s.cache.blocksAllocated(), 2 * (capKB / 16 + 1));
    ASSERT_EQ(flushCache(s, nullptr), 1);
    EXPECT_FALSE(s.cache.flushing);
    EXPECT_EQ(s.cache.blocksInUse(), 0);
    ASSERT_EQ(closeTarget(s, nullptr), 1);

    std::string file = contents();
    ASSERT_EQ(static_cast<int64_t>(file.size()), job.fileSize);
    int64_t bad = 0;
    for (int64_t i = 0; i < job.fileSize; ++i) bad += static_cast<uint8_t>(file[i]) != patternAt(i);
    EXPECT_EQ(bad, 0);
    EXPECT_FALSE(s.writeFailed);
  }
}

TEST_F(CacheWriter, BufferSize16FlushesAfterTwoBlocks) {
  options.bufferSizeKB = 16;
  JobStorage s(job, options, clock, fs);
  for (int i = 0; i < 2; ++i) ASSERT_EQ(deliver(s, {i * 16384LL, 16384}), 1);
  EXPECT_EQ(fs.writes.load(), 0);
  EXPECT_EQ(s.cache.blocksInUse(), 2);
  ASSERT_EQ(deliver(s, {2 * 16384LL, 16384}), 1);  // refused, so both blocks go to disk first
  EXPECT_EQ(fs.writes.load(), 1);                  // touching records: one write
  EXPECT_EQ(contents().size(), 2 * 16384u);
  EXPECT_EQ(s.cache.blocksInUse(), 1);
  ASSERT_EQ(flushCache(s, nullptr), 1);
  EXPECT_EQ(contents().size(), 3 * 16384u);
  closeTarget(s, nullptr);
}

// With a cap above 256 KB the cache goes to disk once it holds 256 KB; a lower cap
// keeps the pool's own limit.
TEST_F(CacheWriter, AboveA256KBCapTheCacheIsWrittenOnceItHolds256KB) {
  struct Case {
    int capKB;
    int blocks;  // full buffers delivered
    int writes;
    int inUse;
  } cases[] = {{4096, 15, 0, 15}, {4096, 16, 1, 0}, {4096, 17, 1, 1}, {256, 16, 0, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.capKB << " KB, " << c.blocks << " buffers");
    options.bufferSizeKB = c.capKB;
    fs.writes = 0;
    // On the heap: a storage of an earlier test on the same stack place would leave its
    // locks' order to ThreadSanitizer under these locks' addresses.
    auto owned = std::make_unique<JobStorage>(job, options, clock, fs);
    JobStorage& s = *owned;
    for (int i = 0; i < c.blocks; ++i) ASSERT_EQ(deliver(s, {i * 16384LL, 16384}), 1);
    EXPECT_EQ(fs.writes.load(), c.writes);
    EXPECT_EQ(s.cache.blocksInUse(), c.inUse);
    ASSERT_EQ(flushCache(s, nullptr), 1);
    EXPECT_EQ(contents().size(), c.blocks * 16384u);
    closeTarget(s, nullptr);
    std::remove(dir.file("out.bin").c_str());
  }
}

TEST_F(CacheWriter, AFailedEarlyWriteCountsItsBytesLost) {
  const int64_t size = 40 * 16384;
  job.fileSize = job.downloaded = size;
  options.bufferSizeKB = 4096;
  fs.failWritesAfter = 1;
  auto owned = std::make_unique<JobStorage>(job, options, clock, fs);  // see above
  JobStorage& s = *owned;
  std::vector<int> results;
  for (int64_t at = 0; at < size; at += 16384) results.push_back(deliver(s, {at, 16384}));
  EXPECT_EQ(results[15], 1);
  EXPECT_EQ(results[31], -1);  // the second 256 KB could not be written
  EXPECT_FALSE(s.cache.flushing);
  ASSERT_EQ(s.lost.size(), 16u);
  EXPECT_EQ(s.lost.front().offset, 16 * 16384);
  EXPECT_EQ(flushCache(s, nullptr), -1);  // the last 8 blocks fail too
  EXPECT_EQ(job.downloaded, 16 * 16384);
  closeTarget(s, nullptr);
}

TEST_F(CacheWriter, RecordsWithGapsAreWrittenSeparately) {
  JobStorage s(job, options, clock, fs);
  for (int64_t at : {40000, 0, 100, 39000, 200}) ASSERT_EQ(deliver(s, {at, 100}), 1);
  for (Chunk c : {Chunk{300, 16384}, Chunk{16684, 16384}, Chunk{33068, 5932}}) {
    ASSERT_EQ(deliver(s, c), 1);
  }
  ASSERT_EQ(flushCache(s, nullptr), 1);
  EXPECT_EQ(fs.writes.load(), 2);  // [0, 39100) and [40000, 40100)
  closeTarget(s, nullptr);
  std::string file = contents();
  ASSERT_EQ(file.size(), 40100u);
  int64_t bad = 0;
  for (int64_t i = 0; i < 40100; ++i) {
    uint8_t want = i >= 39100 && i < 40000 ? 0 : patternAt(i);
    bad += static_cast<uint8_t>(file[i]) != want;
  }
  EXPECT_EQ(bad, 0);
}

TEST_F(CacheWriter, FailedWriteLosesNoTrackOfTheMissingBytes) {
  const int64_t size = 20 * 16384;
  job.fileSize = size;
  job.downloaded = size;  // the receive loops counted everything
  job.flags = jobflags::kComplete;
  options.bufferSizeKB = 64;
  fs.failWritesAfter = 2;
  JobStorage s(job, options, clock, fs);

  int failures = 0;
  for (int64_t at = 0; at < size; at += 16384) failures += deliver(s, {at, 16384}) == -1;
  EXPECT_GE(failures, 1);
  EXPECT_FALSE(s.cache.flushing);
  EXPECT_TRUE(s.writeFailed);
  // Read before the flush: argument evaluation order is unspecified.
  const bool pending = s.cache.blocksInUse() != 0;
  EXPECT_EQ(flushCache(s, nullptr), pending ? -1 : 1);
  EXPECT_EQ(flushCache(s, nullptr), 1);  // nothing left to write
  EXPECT_FALSE(s.cache.flushing);

  // Nothing claims completeness, and the bytes claimed are exactly the bytes written.
  EXPECT_EQ(job.flags & jobflags::kComplete, 0);
  EXPECT_LT(job.downloaded, job.fileSize);
  int64_t lost = 0;
  for (const LostExtent& e : s.lost) lost += e.length;
  EXPECT_EQ(job.downloaded, size - lost);
  EXPECT_GT(job.downloaded, 0);  // what reached the disk before the failure still counts

  ASSERT_EQ(closeTarget(s, nullptr), 1);
  std::string file = contents();
  ASSERT_EQ(static_cast<int64_t>(file.size()), size);  // reserved, never cut short
  std::vector<bool> isLost(size, false);
  for (const LostExtent& e : s.lost) {
    for (int64_t i = e.offset; i < e.offset + e.length; ++i) isLost[i] = true;
  }
  int64_t wrongKept = 0;
  for (int64_t i = 0; i < size; ++i) {
    if (!isLost[i]) wrongKept += static_cast<uint8_t>(file[i]) != patternAt(i);
  }
  EXPECT_EQ(wrongKept, 0);
}

TEST_F(CacheWriter, FailedFinalFlushClearsFlushingAndCompleteness) {
  job.fileSize = 3 * 16384;
  job.downloaded = job.fileSize;
  job.flags = jobflags::kComplete;
  JobStorage s(job, options, clock, fs);
  // Two separate runs of bytes: the first reaches the disk, the second fails.
  for (int64_t at : {0LL, 2 * 16384LL}) ASSERT_EQ(deliver(s, {at, 16384}), 1);
  job.downloaded = 2 * 16384;
  fs.failWritesAfter = 1;
  EXPECT_EQ(flushCache(s, nullptr), -1);
  EXPECT_FALSE(s.cache.flushing);
  EXPECT_EQ(s.cache.blocksInUse(), 0);
  EXPECT_EQ(job.flags & jobflags::kComplete, 0);
  EXPECT_EQ(job.downloaded, 16384);
  ASSERT_EQ(s.lost.size(), 1u);
  EXPECT_EQ(s.lost[0].offset, 2 * 16384);
  closeTarget(s, nullptr);
}

TEST_F(CacheWriter, TargetThatCannotBeOpenedFailsTheStore) {
  options.bufferSizeKB = 16;
  fs.failOpen = true;
  job.downloaded = 3 * 16384;
  JobStorage s(job, options, clock, fs);
  EXPECT_EQ(deliver(s, {0, 16384}), 1);
  EXPECT_EQ(deliver(s, {16384, 16384}), 1);
  EXPECT_EQ(deliver(s, {32768, 16384}), -1);
  EXPECT_FALSE(s.cache.flushing);
  EXPECT_EQ(job.downloaded, 0);
  EXPECT_EQ(s.fileFd, -1);
}

TEST_F(CacheWriter, ShortMemoryWritesStraightThrough) {
  fs.memoryKB = 100;
  JobStorage s(job, options, clock, fs);
  ASSERT_EQ(deliver(s, {5, 700}), 1);
  EXPECT_EQ(s.cache.blocksInUse(), 0);
  closeTarget(s, nullptr);
  std::string file = contents();
  ASSERT_EQ(file.size(), 705u);
  EXPECT_EQ(static_cast<uint8_t>(file[5]), patternAt(5));
  EXPECT_EQ(static_cast<uint8_t>(file[704]), patternAt(704));
}

}  // namespace
}  // namespace fw

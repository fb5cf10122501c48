#include "engine/storage/write_cache.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/file_system.h"

namespace fw {
namespace {

// Real files are not touched; only the memory question matters here.
class MemoryFs : public SystemFileSystem {
 public:
  int64_t availableMemoryKB() override { return memKB; }
  int64_t memKB = 1 << 20;
};

std::vector<uint8_t> bytes(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 7);
  return v;
}

std::vector<CacheRecord> recordsOf(const CacheBlock* b) {
  std::vector<CacheRecord> out;
  int pos = 0;
  CacheRecord r;
  while (nextCacheRecord(*b, &pos, &r)) out.push_back(r);
  return out;
}

TEST(WriteCache, SmallRecordsPackIntoTheOpenBlockWithLittleEndianHeaders) {
  MemoryFs fs;
  WriteCache cache(4096, fs);
  auto a = bytes(100, 1), b = bytes(200, 2);
  ASSERT_TRUE(cache.store(0x0102030405060708LL, a.data(), 100));
  ASSERT_TRUE(cache.store(5000, b.data(), 200));
  EXPECT_EQ(cache.blocksInUse(), 1);
  EXPECT_EQ(cache.openFill(), 110 + 210);

  CacheBlock* list = cache.detachInUse();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->next, nullptr);
  const uint8_t header[10] = {0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01, 100, 0};
  EXPECT_EQ(0, memcmp(list->bytes, header, 10));
  auto recs = recordsOf(list);
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[1].offset, 5000);
  EXPECT_EQ(recs[1].length, 200);
  EXPECT_EQ(0, memcmp(recs[1].data, b.data(), 200));
  EXPECT_EQ(cache.openBlockNumber(), 0u);  // forgotten by the detach
  cache.releaseBlock(list);
}

TEST(WriteCache, FullSizeRecordFillsABlockAlone) {
  MemoryFs fs;
  WriteCache cache(4096, fs);
  auto big = bytes(16384, 3), small = bytes(10, 4);
  ASSERT_TRUE(cache.store(0, big.data(), 16384));
  EXPECT_EQ(cache.openBlockNumber(), 0u);
  ASSERT_TRUE(cache.store(16384, small.data(), 10));
  EXPECT_EQ(cache.blocksInUse(), 2);
  EXPECT_EQ(cache.openBlockNumber(), 2u);
  CacheBlock* list = cache.detachInUse();
  // Most recently taken first: the small record's block, then the full one with one record.
  ASSERT_NE(list->next, nullptr);
  auto full = recordsOf(list->next);
  ASSERT_EQ(full.size(), 1u);
  EXPECT_EQ(full[0].length, 16384);
  EXPECT_EQ(0, memcmp(full[0].data, big.data(), big.size()));
  cache.releaseBlock(list->next);
  cache.releaseBlock(list);
}

TEST(WriteCache, OnlyRecordsBelow16374BytesOpenANewBlock) {
  struct Case {
    uint16_t length;
    bool opens;
  } cases[] = {{16384, false}, {16375, false}, {16374, false}, {16373, true}, {1, true}};
  for (const Case& c : cases) {
    MemoryFs fs;
    WriteCache cache(4096, fs);
    auto data = bytes(c.length, 5);
    ASSERT_TRUE(cache.store(0, data.data(), c.length));
    EXPECT_EQ(cache.openBlockNumber() != 0, c.opens) << c.length;
    if (c.length == 16373) {
      // Room for exactly one more byte: a 1-byte record joins the block and closes it.
      uint8_t one = 9;
      ASSERT_TRUE(cache.store(16373, &one, 1));
      EXPECT_EQ(cache.blocksInUse(), 1);
      EXPECT_EQ(cache.openBlockNumber(), 0u);
    }
  }
}

TEST(WriteCache, NewBlockBecomesOpenOnlyWhenItHasMoreRoom) {
  MemoryFs fs;
  WriteCache cache(4096, fs);
  auto a = bytes(100, 6), b = bytes(16300, 7), c = bytes(16280, 8);
  ASSERT_TRUE(cache.store(0, a.data(), 100));  // block 1 open, fill 110
  // 16,300 bytes do not fit in block 1's room; the new block would have less room than
  // block 1, so block 1 stays open.
  ASSERT_TRUE(cache.store(100, b.data(), 16300));
  EXPECT_EQ(cache.openBlockNumber(), 1u);
  ASSERT_TRUE(cache.store(20000, c.data(), 16280));  // does not fit block 1 either
  EXPECT_EQ(cache.openBlockNumber(), 1u);
  EXPECT_EQ(cache.blocksInUse(), 3);
  cache.releaseAll();

  // A nearly full open block gives way to a new block with more room.
  auto d = bytes(16000, 12), e = bytes(1000, 13);
  ASSERT_TRUE(cache.store(0, d.data(), 16000));
  uint32_t first = cache.openBlockNumber();
  ASSERT_NE(first, 0u);
  ASSERT_TRUE(cache.store(16000, e.data(), 1000));
  EXPECT_NE(cache.openBlockNumber(), first);
  EXPECT_EQ(cache.openFill(), 1010);
  cache.releaseAll();
}

TEST(WriteCache, CapOf16KBGivesTwoBlocksBeforeRefusing) {
  MemoryFs fs;
  WriteCache cache(16, fs);
  auto data = bytes(16384, 9);
  EXPECT_TRUE(cache.store(0, data.data(), 16384));
  EXPECT_TRUE(cache.store(16384, data.data(), 16384));
  EXPECT_FALSE(cache.store(32768, data.data(), 16384));
  EXPECT_EQ(cache.blocksInUse(), 2);

  // Released blocks are reused before any new one is made, and show none of their old records.
  CacheBlock* list = cache.detachInUse();
  cache.releaseBlock(list->next);
  cache.releaseBlock(list);
  uint8_t one = 1;
  ASSERT_TRUE(cache.store(7, &one, 1));
  EXPECT_EQ(cache.blocksAllocated(), 2);
  CacheBlock* again = cache.detachInUse();
  auto recs = recordsOf(again);
  ASSERT_EQ(recs.size(), 1u);  // no stale record after the new one
  EXPECT_EQ(recs[0].offset, 7);
  cache.releaseBlock(again);
}

TEST(WriteCache, BlocksFreedByAFlushDoNotRaiseTheCap) {
  MemoryFs fs;
  WriteCache cache(16, fs);
  auto data = bytes(16384, 14);
  for (int round = 0; round < 5; ++round) {
    // While one flush writes its blocks, the others fill new ones up to the cap ...
    CacheBlock* writing = cache.detachInUse();
    while (cache.store(0, data.data(), 16384)) {
    }
    // ... and the written blocks coming back must not join the full batch.
    while (writing) {
      CacheBlock* next = writing->next;
      cache.releaseBlock(writing);
      writing = next;
    }
    EXPECT_FALSE(cache.store(0, data.data(), 16384));
    EXPECT_EQ(cache.blocksInUse(), 2);
  }
  EXPECT_LE(cache.blocksAllocated(), 4);
  cache.releaseAll();
}

TEST(WriteCache, CapIsClampedToTheAcceptedRange) {
  MemoryFs fs;
  EXPECT_EQ(WriteCache(1, fs).capKB(), 16);
  EXPECT_EQ(WriteCache(100000, fs).capKB(), 4096);
}

TEST(WriteCache, RefusesANewBlockWithoutMemoryHeadRoom) {
  MemoryFs fs;
  WriteCache cache(4096, fs);
  auto data = bytes(16384, 10);
  fs.memKB = 256;
  EXPECT_FALSE(cache.store(0, data.data(), 16384));
  fs.memKB = 257;
  EXPECT_TRUE(cache.store(0, data.data(), 16384));
  fs.memKB = -1;  // unknown: no refusal
  EXPECT_TRUE(cache.store(16384, data.data(), 16384));
  cache.releaseAll();
}

TEST(WriteCache, SlotTableDoublesWhenFull) {
  MemoryFs fs;
  WriteCache cache(4096, fs);
  auto data = bytes(16384, 11);
  for (int i = 0; i < 257; ++i) ASSERT_TRUE(cache.store(i * 16384LL, data.data(), 16384)) << i;
  EXPECT_EQ(cache.slotCount(), 512u);
  EXPECT_FALSE(cache.store(0, data.data(), 16384));  // 257 blocks x 16 KB > 4096 KB
  cache.releaseAll();
}

}  // namespace
}  // namespace fw

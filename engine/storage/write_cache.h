#pragma once
// The job's write cache: a pool of 16,394-byte blocks into which the Roles' receive buffers
// are packed as records (8-byte little-endian file offset, 16-bit length, the bytes) until
// one Role writes them all to the target file.
//
// Not thread-safe: every member is called with the job's cache lock held (JobStorage).
// The disk writes themselves happen outside the lock on blocks detached with
// detachInUse(), which the flushing thread then owns until it hands them back with
// releaseBlock().

#include <cstdint>
#include <memory>
#include <vector>

namespace fw {

class FileSystem;

inline constexpr int kCacheBlockData = 16384;
inline constexpr int kCacheRecordHeader = 10;
inline constexpr int kCacheBlockBytes = kCacheBlockData + kCacheRecordHeader;  // 16,394
// Head-room of physical memory (KB) that must remain after a new block is allocated.
inline constexpr int64_t kCacheHeadroomKB = 256;
inline constexpr int kCacheCapMinKB = 16;
inline constexpr int kCacheCapMaxKB = 4096;

struct CacheBlock {
  uint8_t bytes[kCacheBlockBytes];  // records back to back; a zero (offset, length) ends them
  uint32_t number = 0;              // slot number, from 1
  CacheBlock* next = nullptr;       // next block of the in-use, free or detached list
};

// One record of a block as read back.
struct CacheRecord {
  int64_t offset = 0;
  uint16_t length = 0;
  const uint8_t* data = nullptr;
};

// Reads the record at `*pos` and advances `*pos` past it. False at the end of the block.
bool nextCacheRecord(const CacheBlock& block, int* pos, CacheRecord* out);

class WriteCache {
 public:
  // `capKB` is the "BufferSize" setting, clamped to 16 ... 4096. `fs` answers the
  // available-memory question (FileSystem::availableMemoryKB).
  WriteCache(int capKB, FileSystem& fs);
  ~WriteCache();
  WriteCache(const WriteCache&) = delete;
  WriteCache& operator=(const WriteCache&) = delete;

  // Packs a record of `length` (1 ... 16,384) bytes: into the open block when it has room,
  // otherwise at the start of a block from the pool. True when stored; false when the pool
  // refused (cap reached, too little memory, slot table full) and the cache must be flushed.
  bool store(int64_t offset, const uint8_t* data, uint16_t length);

  // Takes every block in use, most recently taken first, linked by `next`; the open block is
  // forgotten. Null when nothing is in use. The caller writes them and hands each back with
  // releaseBlock().
  CacheBlock* detachInUse();
  // Puts a detached block on the free list (it is zeroed when reused).
  void releaseBlock(CacheBlock* block);
  // Frees every block: the end of a run. Detached blocks must have been released first.
  void releaseAll();

  int capKB() const { return m_capKB; }
  void setCapKB(int capKB);

  // Set while one thread writes detached blocks to disk.
  bool flushing = false;

  // Observers for tests and diagnostics.
  int blocksInUse() const { return m_inUseCount; }
  int blocksAllocated() const { return m_allocated; }
  size_t slotCount() const { return m_slots.size(); }
  uint32_t openBlockNumber() const { return m_open ? m_open->number : 0; }
  int openFill() const { return m_open ? m_openFill : 0; }

 private:
  CacheBlock* takeBlock();
  // Writes a record at `pos` of `block` and ends the records after it, so that a reused
  // block needs no clearing.
  static void writeRecord(uint8_t* block, int pos, int64_t offset, const uint8_t* data,
                          uint16_t length);

  FileSystem& m_fs;
  int m_capKB;
  std::vector<std::unique_ptr<CacheBlock>> m_slots;  // block n lives in slot n - 1
  int m_allocated = 0;
  CacheBlock* m_inUse = nullptr;
  int m_inUseCount = 0;
  CacheBlock* m_free = nullptr;
  CacheBlock* m_open = nullptr;
  int m_openFill = 0;
};

}  // namespace fw

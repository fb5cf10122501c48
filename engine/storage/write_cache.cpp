#include "engine/storage/write_cache.h"

#include <algorithm>
#include <cstring>

#include "platform/file_system.h"

namespace fw {

namespace {
constexpr size_t kInitialSlots = 512;
constexpr size_t kMaxSlotsBeforeGrowth = 32768;
}  // namespace

bool nextCacheRecord(const CacheBlock& block, int* pos, CacheRecord* out) {
  int p = *pos;
  if (p + kCacheRecordHeader > kCacheBlockBytes) return false;
  const uint8_t* h = block.bytes + p;
  uint64_t off = 0;
  for (int i = 7; i >= 0; --i) off = (off << 8) | h[i];
  uint16_t len = static_cast<uint16_t>(h[8] | (h[9] << 8));
  if (off == 0 && len == 0) return false;
  // A length that does not fit is damage, not a record; stop rather than read past the block.
  if (len == 0 || len > kCacheBlockBytes - p - kCacheRecordHeader) return false;
  out->offset = static_cast<int64_t>(off);
  out->length = len;
  out->data = h + kCacheRecordHeader;
  *pos = p + kCacheRecordHeader + len;
  return true;
}

WriteCache::WriteCache(int capKB, FileSystem& fs) : m_fs(fs), m_slots(kInitialSlots) {
  setCapKB(capKB);
}

WriteCache::~WriteCache() = default;

void WriteCache::setCapKB(int capKB) {
  m_capKB = std::clamp(capKB, kCacheCapMinKB, kCacheCapMaxKB);
}

void WriteCache::writeRecord(uint8_t* block, int pos, int64_t offset, const uint8_t* data,
                             uint16_t length) {
  uint8_t* at = block + pos;
  uint64_t off = static_cast<uint64_t>(offset);
  for (int i = 0; i < 8; ++i) at[i] = static_cast<uint8_t>(off >> (8 * i));
  at[8] = static_cast<uint8_t>(length);
  at[9] = static_cast<uint8_t>(length >> 8);
  std::memcpy(at + kCacheRecordHeader, data, length);
  int end = pos + kCacheRecordHeader + length;
  if (end + kCacheRecordHeader <= kCacheBlockBytes) std::memset(block + end, 0, kCacheRecordHeader);
}

bool WriteCache::store(int64_t offset, const uint8_t* data, uint16_t length) {
  if (length == 0 || length > kCacheBlockData) return false;
  if (m_open && kCacheBlockData - m_openFill >= length) {
    writeRecord(m_open->bytes, m_openFill, offset, data, length);
    m_openFill += kCacheRecordHeader + length;
    if (m_openFill + kCacheRecordHeader > kCacheBlockBytes - 1) m_open = nullptr;
    return true;
  }
  CacheBlock* b = takeBlock();
  if (!b) return false;
  writeRecord(b->bytes, 0, offset, data, length);
  // The fuller of the two blocks is closed: a new block only becomes the open one when it
  // has more room left than the present open block.
  if (length < kCacheBlockData - kCacheRecordHeader &&
      (!m_open || kCacheBlockBytes - m_openFill < kCacheBlockData - length)) {
    m_open = b;
    m_openFill = length + kCacheRecordHeader;
  }
  return true;
}

CacheBlock* WriteCache::takeBlock() {
  // The cap applies to reused blocks too: otherwise the blocks freed by each flush would
  // join the next batch on top of the cap, and the pool would grow by a few blocks with
  // every pair of flushes.
  if (static_cast<int64_t>(m_inUseCount) * 16 > m_capKB) return nullptr;
  CacheBlock* b = m_free;
  if (b) {
    m_free = b->next;
  } else {
    int64_t availKB = m_fs.availableMemoryKB();
    if (availKB >= 0 && kCacheHeadroomKB >= availKB) return nullptr;
    if (static_cast<size_t>(m_allocated) == m_slots.size()) {
      if (m_slots.size() > kMaxSlotsBeforeGrowth) return nullptr;
      m_slots.resize(m_slots.size() * 2);
    }
    auto fresh = std::make_unique<CacheBlock>();
    fresh->number = static_cast<uint32_t>(m_allocated + 1);
    b = fresh.get();
    m_slots[static_cast<size_t>(m_allocated)] = std::move(fresh);
    ++m_allocated;
  }
  b->next = m_inUse;
  m_inUse = b;
  ++m_inUseCount;
  return b;
}

CacheBlock* WriteCache::detachInUse() {
  CacheBlock* list = m_inUse;
  m_inUse = nullptr;
  m_inUseCount = 0;
  m_open = nullptr;
  m_openFill = 0;
  return list;
}

void WriteCache::releaseBlock(CacheBlock* block) {
  block->next = m_free;
  m_free = block;
}

void WriteCache::releaseAll() {
  m_inUse = m_free = m_open = nullptr;
  m_inUseCount = 0;
  m_openFill = 0;
  m_allocated = 0;
  m_slots.clear();
  m_slots.resize(kInitialSlots);
  flushing = false;
}

}  // namespace fw

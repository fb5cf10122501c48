#include "engine/storage/cache_writer.h"

#include "engine/storage/target_file.h"

#include <sys/uio.h>

#include <algorithm>
#include <vector>

namespace fw {

namespace {

constexpr int kFlusherWaitMs = 10;
// Blocks in use (16 KB each) from which the Role that stores writes the cache out without
// waiting for the pool to refuse: 256 KB is a large write for any disk, and copying a
// batch of 4 MB into the page cache reads memory that has long left the processor's
// caches, which costs more processor time than the larger batch saves.
constexpr int kEarlyFlushBlocks = 16;

// Both with the cache lock held.
void beginFlush(JobStorage& s) {
  s.cache.flushing = true;
  s.flushIdle.reset();
}
void endFlush(JobStorage& s) {
  s.cache.flushing = false;
  s.flushIdle.set();
}

// Caller holds the cache lock.
void noteLoss(JobStorage& s, const std::vector<LostExtent>& extents) {
  int64_t total = 0;
  for (const LostExtent& e : extents) {
    s.lost.push_back(e);
    total += e.length;
  }
  s.writeFailed = true;
  LockGuard rec(s.recordLock);
  s.job.flags &= static_cast<uint16_t>(~jobflags::kComplete);
  LockGuard prog(s.progressLock);
  s.job.downloaded = total > s.job.downloaded ? 0 : s.job.downloaded - total;
}

void collectExtents(const CacheBlock* block, std::vector<LostExtent>* out) {
  for (; block; block = block->next) {
    int pos = 0;
    CacheRecord r;
    while (nextCacheRecord(*block, &pos, &r)) out->push_back({r.offset, r.length});
  }
}

// Hands a detached list back to the pool; caller holds the cache lock.
void releaseList(WriteCache& cache, CacheBlock* list) {
  while (list) {
    CacheBlock* next = list->next;
    cache.releaseBlock(list);
    list = next;
  }
}

// Writes a detached list with no lock held. The records of all blocks are sorted by file
// position and neighbours are written together (one pwritev per run of touching records), so
// the 16 KB receives of each Role reach the disk as large sequential writes. The blocks go
// back to the pool afterwards. On a failure the run that failed and every run not yet
// written are counted lost. The caller set `flushing` and clears it.
int writeBlocks(JobStorage& s, CacheBlock* list, int fd) {
  std::vector<CacheRecord> records;
  for (const CacheBlock* b = list; b; b = b->next) {
    int pos = 0;
    CacheRecord r;
    while (nextCacheRecord(*b, &pos, &r)) records.push_back(r);
  }
  std::sort(records.begin(), records.end(),
            [](const CacheRecord& x, const CacheRecord& y) { return x.offset < y.offset; });
  std::vector<struct iovec> pieces;
  size_t i = 0;
  bool ok = true;
  while (ok && i < records.size()) {
    size_t j = i;
    pieces.clear();
    int64_t next = records[i].offset;
    while (j < records.size() && records[j].offset == next) {
      pieces.push_back({const_cast<uint8_t*>(records[j].data), records[j].length});
      next += records[j].length;
      ++j;
    }
    ok = s.fs.writeVectorAt(fd, pieces.data(), static_cast<int>(pieces.size()), records[i].offset);
    if (ok) i = j;
  }
  LockGuard g(s.cacheLock);
  if (!ok) {
    std::vector<LostExtent> lost;
    for (; i < records.size(); ++i) lost.push_back({records[i].offset, records[i].length});
    noteLoss(s, lost);
  }
  releaseList(s.cache, list);
  return ok ? 1 : -1;
}

// Caller holds the cache lock and has set `flushing`. Opens the target when needed; on a
// failure the list is released and counted lost and `flushing` cleared.
int targetFor(JobStorage& s, CacheBlock* list, RoleRecord* role, int* fd) {
  if (s.fileFd < 0 && openTargetLazily(s, role) != 1) {
    std::vector<LostExtent> lost;
    collectExtents(list, &lost);
    releaseList(s.cache, list);
    noteLoss(s, lost);
    endFlush(s);
    return -1;
  }
  *fd = s.fileFd;
  return 1;
}

}  // namespace

int storeReceived(JobStorage& s, ReceiveBuffer& buffer, RoleRecord* role) {
  const uint16_t length = buffer.fill;
  if (length == 0) return 1;
  // The buffer's bytes are in the cache (or counted lost) now: the Role no longer holds
  // them back from a save.
  auto handedOver = [&] {
    if (!role) return;
    LockGuard p(s.progressLock);
    role->unstored = role->unstored > length ? role->unstored - length : 0;
  };
  auto failBuffer = [&](UniqueLock& g) {
    noteLoss(s, {{buffer.fileOffset, length}});
    g.unlock();
    buffer.clear();
    handedOver();
    return -1;
  };
  for (;;) {
    UniqueLock g(s.cacheLock);
    if (s.cache.store(buffer.fileOffset, buffer.data, length)) {
      if (s.cache.flushing || s.cache.blocksInUse() < kEarlyFlushBlocks ||
          s.cache.capKB() <= kEarlyFlushBlocks * 16)
        break;
      // The buffer's record goes out with the rest; a failure has counted it lost.
      CacheBlock* list = s.cache.detachInUse();
      beginFlush(s);
      int fd = -1;
      int rc = targetFor(s, list, role, &fd);
      if (rc == 1) {
        g.unlock();
        rc = writeBlocks(s, list, fd);
        g.lock();
        endFlush(s);
      }
      g.unlock();
      buffer.clear();
      handedOver();
      return rc == 1 ? 1 : -1;
    }
    if (s.cache.flushing) {
      g.unlock();
      s.clock.waitEvent(s.flushIdle, kFlusherWaitMs);
      continue;
    }
    CacheBlock* list = s.cache.detachInUse();
    beginFlush(s);
    int fd = -1;
    if (targetFor(s, list, role, &fd) != 1) return failBuffer(g);
    g.unlock();
    if (!list) {
      // The pool refuses even with nothing cached (memory is short): write straight
      // through rather than wait for blocks that no flush can free.
      bool ok = s.fs.writeAt(fd, buffer.data, length, buffer.fileOffset);
      g.lock();
      endFlush(s);
      if (!ok) return failBuffer(g);
      break;
    }
    int rc = writeBlocks(s, list, fd);
    g.lock();
    endFlush(s);
    if (rc != 1) return failBuffer(g);
  }
  buffer.clear();
  handedOver();
  return 1;
}

int flushCache(JobStorage& s, RoleRecord* role) {
  for (;;) {
    UniqueLock g(s.cacheLock);
    if (s.cache.flushing) {
      g.unlock();
      s.clock.waitEvent(s.flushIdle, kFlusherWaitMs);
      continue;
    }
    CacheBlock* list = s.cache.detachInUse();
    if (!list) return 1;
    beginFlush(s);
    int fd = -1;
    if (targetFor(s, list, role, &fd) != 1) return -1;
    g.unlock();
    int rc = writeBlocks(s, list, fd);
    g.lock();
    endFlush(s);
    return rc;
  }
}

}  // namespace fw

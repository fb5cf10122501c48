#include "engine/cache_writer.h"

#include "engine/target_file.h"

namespace fw {

namespace {

constexpr int kFlusherWaitMs = 10;

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

// Writes a detached list with no lock held; each written block goes back to the pool at once
// so that waiting Roles can refill it. On a failure the unwritten rest is released and
// counted lost. The caller set `flushing` and clears it.
int writeBlocks(JobStorage& s, CacheBlock* list, int fd) {
  while (list) {
    CacheBlock* block = list;
    list = block->next;
    int pos = 0;
    CacheRecord r;
    bool ok = true;
    while (ok && nextCacheRecord(*block, &pos, &r)) {
      ok = s.fs.writeAt(fd, r.data, r.length, r.offset);
    }
    LockGuard g(s.cacheLock);
    if (!ok) {
      block->next = list;
      std::vector<LostExtent> lost;
      collectExtents(block, &lost);
      releaseList(s.cache, block);
      noteLoss(s, lost);
      return -1;
    }
    s.cache.releaseBlock(block);
  }
  return 1;
}

// Caller holds the cache lock and has set `flushing`. Opens the target when needed; on a
// failure the list is released and counted lost and `flushing` cleared.
int targetFor(JobStorage& s, CacheBlock* list, RoleRecord* role, int* fd) {
  if (s.fileFd < 0 && openTargetLazily(s, role) != 1) {
    std::vector<LostExtent> lost;
    collectExtents(list, &lost);
    releaseList(s.cache, list);
    noteLoss(s, lost);
    s.cache.flushing = false;
    return -1;
  }
  *fd = s.fileFd;
  return 1;
}

}  // namespace

int storeReceived(JobStorage& s, ReceiveBuffer& buffer, RoleRecord* role) {
  const uint16_t length = buffer.fill;
  if (length == 0) return 1;
  auto failBuffer = [&](UniqueLock& g) {
    noteLoss(s, {{buffer.fileOffset, length}});
    g.unlock();
    buffer.clear();
    return -1;
  };
  for (;;) {
    UniqueLock g(s.cacheLock);
    if (s.cache.store(buffer.fileOffset, buffer.data, length)) break;
    if (s.cache.flushing) {
      g.unlock();
      s.clock.sleepMs(kFlusherWaitMs);
      continue;
    }
    CacheBlock* list = s.cache.detachInUse();
    s.cache.flushing = true;
    int fd = -1;
    if (targetFor(s, list, role, &fd) != 1) return failBuffer(g);
    g.unlock();
    if (!list) {
      // The pool refuses even with nothing cached (memory is short): write straight
      // through rather than wait for blocks that no flush can free.
      bool ok = s.fs.writeAt(fd, buffer.data, length, buffer.fileOffset);
      g.lock();
      s.cache.flushing = false;
      if (!ok) return failBuffer(g);
      break;
    }
    int rc = writeBlocks(s, list, fd);
    g.lock();
    s.cache.flushing = false;
    if (rc != 1) return failBuffer(g);
  }
  buffer.clear();
  return 1;
}

int flushCache(JobStorage& s, RoleRecord* role) {
  for (;;) {
    UniqueLock g(s.cacheLock);
    if (s.cache.flushing) {
      g.unlock();
      s.clock.sleepMs(kFlusherWaitMs);
      continue;
    }
    CacheBlock* list = s.cache.detachInUse();
    if (!list) return 1;
    s.cache.flushing = true;
    int fd = -1;
    if (targetFor(s, list, role, &fd) != 1) return -1;
    g.unlock();
    int rc = writeBlocks(s, list, fd);
    g.lock();
    s.cache.flushing = false;
    return rc;
  }
}

}  // namespace fw

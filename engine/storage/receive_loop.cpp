#include "engine/storage/receive_loop.h"

#include <algorithm>

#include "engine/storage/cache_writer.h"
#include "platform/socket_buffer.h"

namespace fw {

ReceiveLoop::ReceiveLoop(RoleRecord& role, JobStorage& storage, ProgramTransfer& program,
                         Clock& clock)
    : m_role(role),
      m_storage(storage),
      m_program(program),
      m_clock(clock),
      m_speedStampMs(clock.monotonicMs()) {}

DataWait ReceiveLoop::waitForData(ByteSource& source, int timeoutSec) {
  if (source.pending()) return DataWait::Ready;
  const int64_t slices = std::max<int64_t>(1, int64_t{timeoutSec} * 1000 / kDataSliceMs);
  for (int64_t i = 0; i < slices; ++i) {
    if (m_role.stopEvent.tryWait()) return DataWait::Stopped;
    int r = source.waitReadable(kDataSliceMs);
    if (r > 0) return DataWait::Ready;
    if (r < 0) return DataWait::Failed;
  }
  return DataWait::TimedOut;
}

bool ReceiveLoop::mustWaitFirst() const {
  return m_program.budget.limited();
}

int ReceiveLoop::takeBudget(int room) {
  BandwidthBudget& budget = m_program.budget;
  for (;;) {
    if (!budget.limited()) return room;
    int n = budget.take(room, &m_budgetRefill);
    if (n > 0) return n;
    if (m_role.stopEvent.tryWait()) return 0;
    m_clock.waitEvent(m_program.sharedWait, kBudgetWaitMs);
  }
}

void ReceiveLoop::returnBudget(int unused) {
  if (m_program.budget.limited()) m_program.budget.giveBack(unused, m_budgetRefill);
}

int ReceiveLoop::pace(int asked, int got) {
  if (got <= 0 || got >= asked || asked > kPacingAskLimit) return 0;
  int ms = std::clamp(4096 / got, 6, 200);
  m_clock.waitEvent(m_program.sharedWait, ms);
  return ms;
}

void ReceiveLoop::countSpeed(int n) {
  const int64_t now = m_clock.monotonicMs();
  m_speedAccumulator += n;
  const int64_t elapsed = now - m_speedStampMs;
  if (elapsed > 1000) {
    // Restarting from the new figure rather than from 0 smooths it over the seconds.
    auto speed = static_cast<uint32_t>(static_cast<double>(m_speedAccumulator) /
                                       (static_cast<double>(elapsed) * 0.001 + 1.0));
    m_role.speed.store(speed);
    m_speedAccumulator = speed;
    m_speedStampMs = now;
  }
  {
    LockGuard g(m_storage.speedLock);
    m_storage.speedRing.add(n, now);
  }
  LockGuard g(m_program.speedLock);
  m_program.speedRing.add(n, now);
}

int ReceiveLoop::advance(int n) {
  LockGuard rec(m_storage.recordLock);
  LockGuard prog(m_storage.progressLock);
  JobRecord& job = m_storage.job;
  if (PartRange* r = m_role.range) {
    // The range's end may have just been moved down by a split; it is read here, under
    // the same lock the split takes.
    n = static_cast<int>(std::clamp<int64_t>(r->end - r->start + 1, 0, n));
    r->start += n;
  } else if (job.fileSize >= 0) {
    // Without a range the file's size is the end: a server sending more is not believed.
    n = static_cast<int>(std::clamp<int64_t>(job.fileSize - job.downloaded, 0, n));
  }
  job.downloaded += n;
  m_role.unstored += n;
  return n;
}

int64_t ReceiveLoop::position() {
  LockGuard g(m_storage.progressLock);
  return m_role.range ? m_role.range->start : m_storage.job.downloaded;
}

bool ReceiveLoop::transferComplete() {
  LockGuard rec(m_storage.recordLock);
  JobRecord& job = m_storage.job;
  if (job.fileSize < 0) return false;
  LockGuard prog(m_storage.progressLock);
  if (job.resumable()) {
    // The range's last byte is `end` itself: done only once start has passed it.
    return m_role.range && m_role.range->start > m_role.range->end;
  }
  if (job.downloaded < job.fileSize) return false;
  job.flags |= jobflags::kComplete;
  return true;
}

bool ReceiveLoop::closeCompletes() {
  LockGuard rec(m_storage.recordLock);
  JobRecord& job = m_storage.job;
  LockGuard prog(m_storage.progressLock);
  if (job.fileSize < 0)
    job.fileSize = job.downloaded;
  else if (job.downloaded < job.fileSize)
    return false;
  job.flags |= jobflags::kComplete;
  return true;
}

int ReceiveLoop::run(ByteSource& source, ReceiveBuffer& buffer, int dataTimeoutSec) {
  {
    LockGuard rec(m_storage.recordLock);
    LockGuard prog(m_storage.progressLock);
    if (m_storage.job.fileSize >= 0 && m_storage.job.resumable() && !m_role.range) return -10;
  }
  if (source.descriptor() >= 0) ensureReceiveBufferSize(source.descriptor(), kReceiveSocketBuffer);
  auto finished = [&] {
    m_role.outcome.store(1);
    return 1;
  };
  bool more = false;  // the last read may have left bytes to read without a wait
  for (;;) {
    if (buffer.full()) {
      if (storeReceived(m_storage, buffer, &m_role) != 1) return -10;
      buffer.fileOffset = position();
    }
    const bool waits = !more || mustWaitFirst();
    if (waits) {
      switch (waitForData(source, dataTimeoutSec)) {
        case DataWait::Ready:
          break;
        case DataWait::Stopped:
          return m_role.outcome.load();
        case DataWait::TimedOut:
          return -9;
        case DataWait::Failed:
          return 0;
      }
    } else if (m_role.stopEvent.tryWait()) {
      return m_role.outcome.load();
    }
    const int asked = takeBudget(buffer.room());
    if (asked == 0) return m_role.outcome.load();
    int error = 0;
    // Never a read that waits by itself: a TLS record still incomplete after the wait
    // sends the loop back to its own stop-aware wait.
    int got = source.readNow(buffer.data + buffer.fill, asked, &error);
    if (got == kReadWouldBlock) {
      returnBudget(asked);
      more = false;
      continue;
    }
    if (got < 0) {
      m_role.lastSocketError = error;
      return source.failureResult();
    }
    if (got == 0) return closeCompletes() ? finished() : 0;
    more = !source.emptiedBy(asked, got);
    pace(asked, got);
    countSpeed(got);
    buffer.fill = static_cast<uint16_t>(buffer.fill + advance(got));
    if (transferComplete()) return finished();
  }
}

}  // namespace fw

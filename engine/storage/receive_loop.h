#pragma once
// The part of every body receive loop that FTP data and HTTP bodies share: waiting for
// data in stop-aware slices, the program's bandwidth budget, pacing of small reads, the
// Role's smoothed speed, the job's and the program's speed histories, counting the bytes
// against the Role's range and `downloaded`, and the completion tests. The protocol side
// is a ByteSource (a socket, a TLS session, a chunked-body decoder over either).
//
// One ReceiveLoop per transfer, used on its Role's thread only.

#include <cstdint>

#include "engine/base/role_record.h"
#include "engine/net/byte_source.h"
#include "engine/storage/bandwidth_budget.h"
#include "engine/storage/job_storage.h"
#include "engine/storage/receive_buffer.h"
#include "platform/clock.h"

namespace fw {

// Result of a data wait.
enum class DataWait { Ready, Stopped, TimedOut, Failed };

inline constexpr int kDataSliceMs = 50;
inline constexpr int kReceiveSocketBuffer = 65536;  // the least receive buffer a transfer asks for
inline constexpr int kBudgetWaitMs = 200;
inline constexpr int kPacingAskLimit = 2144;

class ReceiveLoop {
 public:
  ReceiveLoop(RoleRecord& role, JobStorage& storage, ProgramTransfer& program, Clock& clock);

  // Receives into `buffer` until the Role's range or the file is complete, handing full
  // buffers to storeReceived and restarting the buffer at the Role's position. The bytes
  // left in `buffer` at the end are the caller's to store. Results:
  //   1   the range or the file is complete (`outcome` is set to 1; the job's complete bit
  //       0x0200 is set when the whole file is in)
  //   0   the peer closed before the known end, or the wait failed
  //   source.failureResult() (-10 socket, -13 TLS) a read failed (its errno in
  //       role.lastSocketError)
  //   -9  no data within `dataTimeoutSec`
  //   -10 a split job (size known, resumable) without a range, or a write failure
  //   the value of role.outcome when role.stopEvent was signalled
  //
  // After a read the next one is tried at once, testing the stop event before it; only a
  // read that finds nothing (or one that emptied the source) leads to a wait. With the
  // bandwidth limit on every read waits for data first, so that no budget is taken for a
  // read that finds nothing. Reads never wait by themselves (ByteSource::readNow): a stop
  // while a TLS record is still incomplete is a stop, not a TLS failure.
  int run(ByteSource& source, ReceiveBuffer& buffer, int dataTimeoutSec);

  // The steps of run(), each usable by a protocol loop of its own.

  // Whether a read must wait for data first even when the last read may have left more:
  // with the bandwidth limit on, budget is only taken for bytes known to be there.
  bool mustWaitFirst() const;

  // Waits for data in 50 ms slices, testing the stop event before each; TimedOut after
  // `timeoutSec` seconds of empty slices.
  DataWait waitForData(ByteSource& source, int timeoutSec);
  // How many bytes the next read may ask for, at most `room`: with the bandwidth limit on,
  // taken from the shared budget (waiting 200 ms at a time while it is spent). 0 when the
  // stop event was signalled during the wait.
  int takeBudget(int room);
  // Returns what the last takeBudget() took and a read did not use (a read that found
  // nothing after all). Nothing to do without the limit.
  void returnBudget(int unused);
  // The pause after a small short read: 4096 / got ms, within 6 ... 200, when `got` < `asked`
  // <= 2144. Returns the pause taken in ms (0 for none).
  int pace(int asked, int got);
  // Adds `n` read bytes to the Role's smoothed speed and the job's and program's histories.
  void countSpeed(int n);
  // Counts `n` bytes at the Role's position under the progress lock: cut at the range's
  // last byte, advancing range.start and `downloaded`. Returns the bytes kept.
  int advance(int n);
  // After a read: whether the Role's range (split job) or the file is complete; sets the
  // complete bit when the whole file is in.
  bool transferComplete();
  // The peer closed: whether that completes the file (an unknown size becomes `downloaded`).
  bool closeCompletes();
  // The Role's position: its range's start, or `downloaded` without a range.
  int64_t position();

 private:
  RoleRecord& m_role;
  JobStorage& m_storage;
  ProgramTransfer& m_program;
  Clock& m_clock;
  uint64_t m_budgetRefill = 0;  // the refill the last takeBudget() drew on
  int64_t m_speedAccumulator = 0;
  int64_t m_speedStampMs = 0;
};

}  // namespace fw

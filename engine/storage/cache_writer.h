#pragma once
// The write path from a Role's receive buffer through the job's write cache to the target
// file. The Role whose buffer the pool refuses writes the cache out, and so does the Role
// whose buffer brings it to 256 KB (when the cap is higher). Exactly one thread writes
// cached blocks at a time (WriteCache::flushing); the others wait in 10 ms pauses on the
// storage's clock. While a flush is under way the
// blocks it writes are no longer counted against the cap, so the cache's memory can reach
// about twice "BufferSize" for that time.
//
// A failed write (or a target that cannot be opened) loses the bytes of the buffer and of
// every block not yet written. So that nothing claims they are on disk, each lost byte
// range is noted in storage.lost, storage.writeFailed is set, `downloaded` is reduced by
// the lost count and the job's complete bit (0x0200) is cleared. The controller may hand
// storage.lost out again as ranges to fetch.

#include "engine/base/role_record.h"
#include "engine/storage/job_storage.h"
#include "engine/storage/receive_buffer.h"

namespace fw {

// Hands the buffer's bytes to the cache and empties the buffer (fill 0, fileOffset 0),
// first writing the whole cache to disk when the pool is exhausted. 1 done (also for an
// empty buffer); -1 a write failed (the buffer is emptied too: its bytes are counted lost).
// Caller: any Role thread, holding none of the storage locks. `role` may be null (then a
// target that has to be opened logs nothing).
int storeReceived(JobStorage& storage, ReceiveBuffer& buffer, RoleRecord* role);

// Writes every cached block to the target (opening it when there is none), after waiting
// for a flush another thread has under way. 1 done or nothing cached; -1 a write failed.
// Caller: the last Role of a job, or the controller once every Role has ended; no storage
// lock held.
int flushCache(JobStorage& storage, RoleRecord* role);

}  // namespace fw

// What a save may claim: bytes a Role has counted but not yet handed to the write cache
// are tracked in RoleRecord::unstored, so the job database never records them as done.

#include <gtest/gtest.h>

#include "engine/storage/bandwidth_budget.h"
#include "engine/storage/cache_writer.h"
#include "engine/storage/receive_loop.h"
#include "platform/fake_clock.h"
#include "support/storage_fakes.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

class UnstoredBytes : public ::testing::Test {
 protected:
  UnstoredBytes() {
    job.saveDir = dir.path();
    job.fileName = "u.bin";
    job.fileSize = 1 << 20;
    job.flags = jobflags::kResumable;
    job.parts.push_back(PartRange{1000, 5000, 1});
    role.range = &job.parts.front();
    options.collision = CollisionRule::Overwrite;
  }
  ReceiveBuffer filled(int64_t offset, uint16_t n) {
    ReceiveBuffer b;
    b.fileOffset = offset;
    b.fill = n;
    for (int i = 0; i < n; ++i) b.data[i] = static_cast<uint8_t>(i);
    return b;
  }

  test::TempDir dir{"fwunstored"};
  test::FaultFileSystem fs;
  FakeClock clock;
  JobRecord job;
  StorageOptions options;
  ProgramTransfer program;
  RoleRecord role;
};

TEST_F(UnstoredBytes, CountedOnReceiptAndReleasedWhenCached) {
  JobStorage storage(job, options, clock, fs);
  ReceiveLoop loop(role, storage, program, clock);
  EXPECT_EQ(loop.advance(300), 300);
  EXPECT_EQ(loop.advance(200), 200);
  EXPECT_EQ(role.unstored, 500);
  EXPECT_EQ(job.parts.front().start, 1500);
  EXPECT_EQ(job.downloaded, 500);

  ReceiveBuffer b = filled(1000, 500);
  ASSERT_EQ(storeReceived(storage, b, &role), 1);
  EXPECT_EQ(role.unstored, 0) << "the bytes are the cache's now";
}

TEST_F(UnstoredBytes, BytesCutAtTheRangeEndAreNotHeldBack) {
  job.parts.front() = PartRange{4990, 4999, 1};
  JobStorage storage(job, options, clock, fs);
  ReceiveLoop loop(role, storage, program, clock);
  EXPECT_EQ(loop.advance(100), 10);
  EXPECT_EQ(role.unstored, 10);
}

TEST_F(UnstoredBytes, AFailedWriteReleasesThemTooAndTheLossIsNotClaimed) {
  fs.failWritesAfter = 0;
  options.bufferSizeKB = 16;
  JobStorage storage(job, options, clock, fs);
  ReceiveLoop loop(role, storage, program, clock);
  // Enough to overflow the small cache, so that storing has to write and fails.
  int64_t offset = 1000;
  int rc = 1;
  for (int i = 0; i < 4 && rc == 1; ++i) {
    loop.advance(16384);
    ReceiveBuffer b = filled(offset, 16384);
    offset += 16384;
    rc = storeReceived(storage, b, &role);
  }
  EXPECT_EQ(rc, -1);
  EXPECT_EQ(role.unstored, 0);
  EXPECT_TRUE(storage.writeFailed);
  EXPECT_LT(job.downloaded, offset - 1000) << "lost bytes are taken off the count";
}

}  // namespace
}  // namespace fw

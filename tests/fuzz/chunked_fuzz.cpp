// Chunked decoding of arbitrary bytes: cutting the input into batches must not change
// the decoded bytes or the result, and the Role-side decoder must keep its counts.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/base/control_codes.h"
#include "engine/http/chunked_decoder.h"

namespace {

struct Run {
  std::string out;
  int result = fw::ChunkedDecoder::kMore;
};

Run decode(const uint8_t* data, size_t size, size_t step) {
  fw::ChunkedDecoder dec;
  Run run;
  auto sink = [&run](const uint8_t* d, size_t n) {
    run.out.append(reinterpret_cast<const char*>(d), n);
    return 1;
  };
  for (size_t i = 0; i < size; i += step) {
    size_t n = size - i < step ? size - i : step;
    run.result = dec.feed(data + i, n, sink);
    if (run.result != fw::ChunkedDecoder::kMore) break;
  }
  return run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t step = data[0] % 32 + 1;
  ++data;
  --size;
  Run whole = decode(data, size, size ? size : 1);
  Run cut = decode(data, size, step);
  if (whole.out != cut.out || whole.result != cut.result) std::abort();
  if (whole.out.size() > size) std::abort();

  fw::JobRecord job;
  job.flags = fw::jobflags::kResumable;
  job.fileSize = 1 << 20;
  fw::PartRange range{1000, 1000 + static_cast<int64_t>(step) * 7, 1};
  fw::RoleRecord role;
  role.range = &range;
  fw::RoleJobAccess access{&role, &job, nullptr, nullptr};
  static fw::ReceiveBuffer buffer;
  buffer.clear();
  buffer.fileOffset = range.start;
  int64_t flushedBytes = 0;
  fw::FlushFn flush = [&](fw::ReceiveBuffer& b) {
    flushedBytes += b.fill;
    b.clear();
    return 1;
  };
  fw::ChunkedDecoder dec;
  decodeChunked(dec, data, size, buffer, access, flush);
  int64_t kept = static_cast<int64_t>(whole.out.size()) < 7 * static_cast<int64_t>(step) + 1
                     ? static_cast<int64_t>(whole.out.size())
                     : 7 * static_cast<int64_t>(step) + 1;
  if (job.downloaded != kept || range.start != 1000 + kept) std::abort();
  if (flushedBytes + buffer.fill != kept) std::abort();
  return 0;
}

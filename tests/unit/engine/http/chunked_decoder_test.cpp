#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/base/control_codes.h"
#include "engine/http/chunked_decoder.h"

namespace fw {
namespace {

const std::string kWire =
    "4\r\nWiki\r\n"
    "5;name=value\r\npedia\r\n"
    " E \r\n in\r\n\r\nchunks.\r\n"
    "00000000000000000000001\r\n!\r\n"
    "0\r\n"
    "Trailer: x\r\n\r\n";
const std::string kDecoded = "Wikipedia in\r\n\r\nchunks.!";

struct Collector {
  std::string out;
  ChunkedDecoder::Sink sink() {
    return [this](const uint8_t* d, size_t n) {
      out.append(reinterpret_cast<const char*>(d), n);
      return 1;
    };
  }
};

int feed(ChunkedDecoder& dec, const std::string& s, Collector& c) {
  return dec.feed(reinterpret_cast<const uint8_t*>(s.data()), s.size(), c.sink());
}

TEST(ChunkedDecoder, SplitAtEveryBoundary) {
  const size_t end = kWire.find("0\r\n") + 3;  // the size-0 line ends here
  for (size_t cut = 0; cut <= kWire.size(); ++cut) {
    ChunkedDecoder dec;
    Collector c;
    int first = feed(dec, kWire.substr(0, cut), c);
    EXPECT_EQ(first, cut >= end ? ChunkedDecoder::kEnd : ChunkedDecoder::kMore) << cut;
    EXPECT_EQ(feed(dec, kWire.substr(cut), c), ChunkedDecoder::kEnd) << cut;
    EXPECT_EQ(c.out, kDecoded) << cut;
    EXPECT_TRUE(dec.finished());
  }
}

TEST(ChunkedDecoder, OneByteAtATime) {
  ChunkedDecoder dec;
  Collector c;
  int last = 0;
  for (char ch : kWire) last = feed(dec, std::string(1, ch), c);
  EXPECT_EQ(last, ChunkedDecoder::kEnd);
  EXPECT_EQ(c.out, kDecoded);
}

TEST(ChunkedDecoder, MalformedInputEndsWithError) {
  const char* bad[] = {
      "zz\r\nabc\r\n0\r\n\r\n",  // not hexadecimal
      "\r\nabc\r\n",             // empty size line
      "3\r\nabcX\r\n0\r\n\r\n",  // data not followed by its line end
      "3\r\nabc\rX",             // a lone CR after the data
      "1 2\r\nab\r\n",           // two numbers
      "10000000000000000\r\n",   // above 2^63 - 1
      "-1\r\n",
  };
  for (const char* wire : bad) {
    ChunkedDecoder dec;
    Collector c;
    EXPECT_EQ(feed(dec, wire, c), kResultError) << wire;
    EXPECT_EQ(feed(dec, "0\r\n\r\n", c), kResultError) << "stays failed: " << wire;
  }
  ChunkedDecoder dec;
  Collector c;
  EXPECT_EQ(feed(dec, std::string(65, '0'), c), kResultError);
}

TEST(ChunkedDecoder, SinkRefusalStopsWithItsCode) {
  ChunkedDecoder dec;
  int calls = 0;
  auto sink = [&](const uint8_t*, size_t) { return ++calls == 1 ? -1 : 1; };
  std::string wire = "3\r\nabc\r\n0\r\n\r\n";
  EXPECT_EQ(dec.feed(reinterpret_cast<const uint8_t*>(wire.data()), wire.size(), sink), -1);
}

struct RoleFixture {
  JobRecord job;
  RoleRecord role;
  Lock jobLock, sizeLock;
  RoleJobAccess access;
  ReceiveBuffer buffer;
  ChunkedDecoder decoder;
  std::vector<std::pair<int64_t, std::string>> flushed;
  int flushResult = 1;
  FlushFn flush = [this](ReceiveBuffer& b) {
    flushed.emplace_back(b.fileOffset, std::string(reinterpret_cast<char*>(b.data), b.fill));
    if (flushResult == 1) b.clear();
    return flushResult;
  };
  RoleFixture() { access = {&role, &job, &jobLock, &sizeLock}; }
  int feed(const std::string& wire) {
    return decodeChunked(decoder, reinterpret_cast<const uint8_t*>(wire.data()), wire.size(),
                         buffer, access, flush);
  }
  std::string buffered() const {
    return std::string(reinterpret_cast<const char*>(buffer.data), buffer.fill);
  }
};

std::string chunk(const std::string& data) {
  char size[32];
  snprintf(size, sizeof size, "%zx\r\n", data.size());
  return size + data + "\r\n";
}

TEST(DecodeChunked, UnknownSizeCountsDownloaded) {
  RoleFixture f;
  f.job.downloaded = 10;
  EXPECT_EQ(f.feed(chunk("hello") + chunk(" world") + "0\r\n\r\n"), ChunkedDecoder::kEnd);
  EXPECT_EQ(f.buffered(), "hello world");
  EXPECT_EQ(f.job.downloaded, 21);
  EXPECT_TRUE(f.flushed.empty());
}

TEST(DecodeChunked, RangeIsAdvancedAndCut) {
  RoleFixture f;
  f.job.flags = jobflags::kResumable;
  f.job.fileSize = 1000;
  PartRange range{100, 104, 1};  // five bytes left
  f.role.range = &range;
  f.buffer.fileOffset = 100;
  EXPECT_EQ(f.feed(chunk("abc") + chunk("defgh")), ChunkedDecoder::kMore);
  EXPECT_EQ(f.buffered(), "abcde");
  EXPECT_EQ(range.start, 105);
  EXPECT_EQ(f.job.downloaded, 5);
}

TEST(DecodeChunked, ResumableKnownSizeWithoutRangeIsAnError) {
  RoleFixture f;
  f.job.flags = jobflags::kResumable;
  f.job.fileSize = 1000;
  EXPECT_EQ(f.feed(chunk("abc")), kResultError);
  EXPECT_EQ(f.job.downloaded, 0);
}

TEST(DecodeChunked, FullBufferIsFlushedAndRestartsAtTheRolePosition) {
  RoleFixture f;
  f.job.flags = jobflags::kResumable;
  f.job.fileSize = 100000;
  PartRange range{50000, 99999, 1};
  f.role.range = &range;
  f.buffer.fileOffset = 50000 - (kReceiveBufferSize - 2);
  f.buffer.fill = kReceiveBufferSize - 2;  // two bytes of room left
  EXPECT_EQ(f.feed(chunk("123456")), ChunkedDecoder::kMore);
  ASSERT_EQ(f.flushed.size(), 1u);
  EXPECT_EQ(f.flushed[0].second.substr(kReceiveBufferSize - 2), "12");
  EXPECT_EQ(f.buffer.fileOffset, 50002);
  EXPECT_EQ(f.buffered(), "3456");
  EXPECT_EQ(range.start, 50006);
  EXPECT_EQ(f.job.downloaded, 6);
}

TEST(DecodeChunked, FlushFailureEndsTheDecoding) {
  RoleFixture f;
  f.buffer.fill = kReceiveBufferSize;
  f.flushResult = -1;
  EXPECT_EQ(f.feed(chunk("x")), -1);
  EXPECT_EQ(f.job.downloaded, 0);
}

}  // namespace
}  // namespace fw

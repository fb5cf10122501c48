#include "engine/http/chunked_decoder.h"

#include <cctype>
#include <cstring>

#include "engine/base/control_codes.h"
#include "engine/url/percent_decode.h"

namespace fw {
namespace {

constexpr size_t kSizeTextLimit = 64;

}  // namespace

void ChunkedDecoder::reset() {
  m_state = State::Size;
  m_sizeText.clear();
  m_left = 0;
}

int ChunkedDecoder::endOfSizeLine() {
  std::string_view t = m_sizeText;
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!t.empty() && blank(t.front())) t.remove_prefix(1);
  while (!t.empty() && blank(t.back())) t.remove_suffix(1);
  if (t.empty()) return kResultError;
  int64_t size = 0;
  for (char c : t) {
    int d = hexDigitValue(c);
    if (d < 0 || size > (INT64_MAX >> 4)) return kResultError;
    size = size * 16 + d;
  }
  m_sizeText.clear();
  if (size == 0) {
    m_state = State::Done;
    return kEnd;
  }
  m_left = size;
  m_state = State::Data;
  return kMore;
}

int ChunkedDecoder::feed(const uint8_t* raw, size_t n, const Sink& sink) {
  size_t i = 0;
  while (i < n) {
    switch (m_state) {
      case State::Done:
        return kEnd;
      case State::Failed:
        return kResultError;
      case State::Size:
      case State::Extension: {
        char c = static_cast<char>(raw[i++]);
        if (c == '\n') {
          int r = endOfSizeLine();
          if (r == kResultError) m_state = State::Failed;
          if (r != kMore) return r;
        } else if (m_state == State::Extension) {
          // Extension text is skipped whatever it holds.
        } else if (c == ';') {
          m_state = State::Extension;
        } else if (m_sizeText.size() >= kSizeTextLimit) {
          m_state = State::Failed;
          return kResultError;
        } else {
          m_sizeText.push_back(c);
        }
        break;
      }
      case State::Data: {
        size_t take = n - i;
        if (static_cast<int64_t>(take) > m_left) take = static_cast<size_t>(m_left);
        int r = sink(raw + i, take);
        if (r != 1) return r;
        i += take;
        m_left -= static_cast<int64_t>(take);
        if (m_left == 0) m_state = State::DataCr;
        break;
      }
      case State::DataCr:
      case State::DataLf: {
        char c = static_cast<char>(raw[i++]);
        if (c == '\n') {
          m_state = State::Size;
        } else if (c == '\r' && m_state == State::DataCr) {
          m_state = State::DataLf;
        } else {
          m_state = State::Failed;
          return kResultError;
        }
        break;
      }
    }
  }
  if (m_state == State::Failed) return kResultError;
  return m_state == State::Done ? kEnd : kMore;
}

int decodeChunked(ChunkedDecoder& decoder, const uint8_t* raw, size_t n, ReceiveBuffer& buffer,
                  const RoleJobAccess& access, const FlushFn& flush) {
  RoleRecord& role = *access.role;
  bool ranged = access.underJobLock([](JobRecord& job) {
    return job.fileSize >= 0 && (job.flags & jobflags::kResumeMask) == jobflags::kResumable;
  });
  auto sink = [&](const uint8_t* data, size_t len) -> int {
    if (ranged && role.range == nullptr) return kResultError;
    while (len > 0) {
      size_t keep = len;
      if (ranged) {
        // The range's end may be moved by a split; it is read under the same lock.
        int64_t left = access.underSizeLock(
            [&](JobRecord&) { return role.range->end - role.range->start + 1; });
        if (left <= 0) return 1;  // past the range: the receive loop ends on its own
        if (static_cast<int64_t>(keep) > left) keep = static_cast<size_t>(left);
      }
      if (buffer.full()) {
        int r = flush(buffer);
        if (r != 1) return r;
        buffer.fileOffset = ranged
                                ? role.range->start
                                : access.underSizeLock([](JobRecord& j) { return j.downloaded; });
      }
      size_t m = keep < buffer.room() ? keep : buffer.room();
      std::memcpy(buffer.data + buffer.fill, data, m);
      buffer.fill = static_cast<uint16_t>(buffer.fill + m);
      access.underSizeLock([&](JobRecord& j) {
        if (ranged) role.range->start += static_cast<int64_t>(m);
        role.unstored += static_cast<int64_t>(m);
        return j.downloaded += static_cast<int64_t>(m);
      });
      data += m;
      len -= m;
    }
    return 1;
  };
  return decoder.feed(raw, n, sink);
}

}  // namespace fw

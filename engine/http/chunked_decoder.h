#pragma once
// Decoding a "chunked" HTTP body as its raw bytes arrive, in batches of any size.
// One decoder per transfer; used from the Role's thread only.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/base/role_job_access.h"
#include "engine/storage/receive_buffer.h"

namespace fw {

class ChunkedDecoder {
 public:
  // Results of feed().
  static constexpr int kMore = 1;  // all input used; the body goes on
  static constexpr int kEnd = 2;   // the chunk of size 0 was read; later input is ignored
  // Receives each span of decoded body bytes; returns 1 to go on, anything else stops
  // the decoding with that value.
  using Sink = std::function<int(const uint8_t* data, size_t n)>;

  // Walks `n` raw bytes. A size line is hexadecimal digits with optional blanks around
  // them, anything from ";" on (a chunk extension) ignored, ended by "\n" or "\r\n";
  // chunk data must be followed by "\r\n" (or "\n"). A size line that is not
  // hexadecimal, is empty, longer than 64 characters or above 2^63 - 1, and data not
  // followed by its line end, give -10 (and every later call gives -10 too).
  int feed(const uint8_t* raw, size_t n, const Sink& sink);
  void reset();
  bool finished() const { return m_state == State::Done; }

 private:
  // Size: collecting the size text. Extension: skipping text after ";" up to "\n".
  // Data: m_left bytes of chunk data still to come. DataCr / DataLf: the line end that
  // follows chunk data. Done: size 0 seen. Failed: malformed input seen.
  enum class State { Size, Extension, Data, DataCr, DataLf, Done, Failed };
  int endOfSizeLine();

  State m_state = State::Size;
  std::string m_sizeText;
  int64_t m_left = 0;
};

// Returns 1 or a negative code to stop with; called with each full receive buffer.
using FlushFn = std::function<int(ReceiveBuffer&)>;

// Decodes raw body bytes into the Role's receive buffer and accounts for them as the
// plain receive loop does: when the buffer is full it is handed to `flush` and its
// offset set to the Role's position (range.start for a resumable job of known size,
// else downloaded); copied bytes advance range.start (resumable, known size) and
// downloaded (size lock); bytes beyond the end of the Role's range are dropped.
// Returns ChunkedDecoder::kMore or kEnd, -10 for malformed input or a resumable job of
// known size whose Role holds no range, or the flush's failure code.
int decodeChunked(ChunkedDecoder& decoder, const uint8_t* raw, size_t n, ReceiveBuffer& buffer,
                  const RoleJobAccess& access, const FlushFn& flush);

}  // namespace fw

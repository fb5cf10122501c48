// Feeds arbitrary server text to the reply reader (in pieces chosen by the input) and to
// the listing and passive-reply parsers (227 and the extended 229).

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/ftp/ftp_listing.h"
#include "engine/ftp/ftp_pasv.h"
#include "engine/ftp/ftp_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks the read size, so replies get split at varied points.
  size_t step = (data[0] % 64) + 1;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

  fw::FtpReplyBuffer buffer;
  fw::FtpReplyTracker tracker;
  std::string line;
  for (size_t pos = 0; pos < text.size(); pos += step) {
    buffer.append(text.data() + pos, std::min(step, text.size() - pos));
    while (buffer.takeLine(line)) {
      if (line.size() > fw::kFtpLineLimit) __builtin_trap();
      int code = tracker.feed(line);
      if (code < 0 || code > 999) __builtin_trap();
      if (code == 227) {
        std::string ip;
        int port = 0;
        if (fw::parsePassiveReply(line, ip, port) && (port < 1 || port > 65535)) __builtin_trap();
      }
      if (code == 229) {
        int port = 0;
        if (fw::parseExtendedPassiveReply(line, port) && (port < 1 || port > 65535))
          __builtin_trap();
      }
      (void)fw::trimReplyLine(line);
    }
    if (buffer.held().size() > fw::kFtpLineLimit + 1 + step) __builtin_trap();
  }

  for (const fw::FtpListEntry& e : fw::parseListing(text)) {
    if (e.name.empty()) __builtin_trap();
    (void)fw::isSafeListingName(e.name);
  }
  return 0;
}

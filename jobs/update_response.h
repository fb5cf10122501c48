#pragma once
// Reading the update server's answer: the response head (status and announced length)
// and the body's version line. The body must begin with "ver=" and a version written as
// one digit, a point and three digits ("ver=1.830"), followed by nothing or a blank or
// line end; anything else is no information. Nothing but that comparison is ever taken
// from the response.
//
// Pure functions: any thread.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fw {

// The program's own version, in thousandths (1.827).
inline constexpr int kOwnVersion = 1827;

// Check results.
inline constexpr int kUpdateNewer = 7;
inline constexpr int kUpdateLatest = 6;
inline constexpr int kUpdateNoInfo = 0;
inline constexpr int kUpdateSendFailed = -1;  // also: a status other than 200
inline constexpr int kUpdateReadFailed = -6;

// The most the check reads: head and body together.
inline constexpr size_t kUpdateReadMax = 16 * 1024;

struct UpdateHead {
  int status = 0;
  size_t bodyStart = 0;        // offset of the body in the bytes read
  int64_t contentLength = -1;  // -1: not announced
};

// 1: `bytes` hold a complete head (filled into `head`); 0: not complete yet; -1: not an
// HTTP response head.
int parseUpdateHead(std::string_view bytes, UpdateHead& head);

// The version in thousandths from the five characters "d.ddd"; -1 when they are not.
int parseVersionText(std::string_view text);

// kUpdateNewer, kUpdateLatest or kUpdateNoInfo for a body, compared with `ownVersion`.
int updateResultFromBody(std::string_view body, int ownVersion = kOwnVersion);

}  // namespace fw

#pragma once
// The request kinds that travel over the control socket (platform/control_socket.h)
// between Fetchwright's programs. The hand-off kinds 1 to 3 and the link list 7161 keep
// the numbers the capture module has always sent; the rest are Fetchwright's own.

#include <cstdint>

namespace fw {

// Capture hand-off: the text of the hand-off block is read by the receiver; the answer
// is the receiver's integer (1 taken).
inline constexpr uint32_t kControlHandOffList = 1;    // a list text for a "Select Url" window
inline constexpr uint32_t kControlHandOffAddUrl = 2;  // URL, comment, referrer lines
inline constexpr uint32_t kControlHandOffClick = 3;   // a browser click: URL, referrer lines
// The link list with its bytes as the payload (at most 73,728).
inline constexpr uint32_t kControlLinkList = 7161;

// A second start of the program: restore and raise the window. Answer 1.
inline constexpr uint32_t kControlRaise = 0x4657'0001;
// fetchwright-cli hands URLs to the program that owns the job database: the payload and
// the answer are those of store/url_hand_in.h; the answer's number is how many were added.
inline constexpr uint32_t kControlAddUrls = 0x4657'0002;
// `fetchwright URL...` started while a copy runs: the URLs, one per line, offered to that
// copy as clipboard links are. The answer's number is how many became jobs.
inline constexpr uint32_t kControlOfferUrls = 0x4657'0003;

}  // namespace fw

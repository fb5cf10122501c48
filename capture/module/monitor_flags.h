#pragma once
// The bits of the "Monitor" setting (General key) that capture reads. The program keeps
// the whole value in GeneralSettings::monitor; the capture module reads only its low byte.

#include <cstdint>

namespace fw::monitorflag {

inline constexpr uint32_t kClipboard = 0x01;         // "Monitor" (Clipboard)
inline constexpr uint32_t kClipboardConfirm = 0x02;  // "Confirmation" (Clipboard)
inline constexpr uint32_t kBrowserConfirm = 0x08;    // "Confirmation" (Browser Clicks)
inline constexpr uint32_t kFillComment = 0x10;       // "Fill comment with clipboard contents"
inline constexpr uint32_t kBrowser = 0x20;           // catch browser clicks ("Monitor Browser")

}  // namespace fw::monitorflag

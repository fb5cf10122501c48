#pragma once
// The program's side of the capture hand-off: the requests the capture host sends over the
// control socket.
//   kinds 1-3   the text is in the hand-off block (capture/module/hand_off_block.h)
//     1  a list text: a "Select Url" window opens for it. Answer 1.
//     2  url, comment, referrer lines ("Download using Fetchwright"): the new-job property
//        sheet opens for them after the answer. Answer 1. "Monitor" is not consulted.
//     3  a browser click: url, referrer lines. Answer 0 when "Monitor" bit 0x20 is clear or
//        the program is closing; 1 for an empty URL (nothing done); -1 when the URL does
//        not parse, its file name has no ".", or its extension (from the last ".", upper
//        case) is not a substring of MonitorType; otherwise 1, after the job was added at
//        once, or (bit 0x08) the property sheet was queued. Bit 0x10 fills the comment
//        with the clipboard's text (over 2,000 bytes: its first 1,990).
//     other kinds answer 1.
//   7161  the link list as the payload (up to its first NUL): a "Select Url" window opens.
// Lines split at CR LF and are trimmed on both sides. The window is brought to the front
// first for kinds 1-3. While the program is closing nothing is opened or added. A block
// that cannot be read answers 0, so that the browser keeps its download.
// Main thread only.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "capture/module/hand_off_block.h"
#include "capture/receiver/hand_off_window.h"
#include "platform/control_socket.h"
#include "store/settings_records.h"

namespace fw {

// The values the receivers filled last (the property sheet and "Select Url" window take
// theirs from the calls on HandOffWindow).
struct HandOffSlots {
  std::string url;
  std::string referrer;
  std::string comment;
  std::string listText;
};

// Comments taken from the clipboard: a text longer than this is cut to kCommentCut bytes.
inline constexpr size_t kClipboardCommentMax = 2000;
inline constexpr size_t kClipboardCommentCut = 1990;

class HandOffReceiver {
 public:
  // `settings` is the program's live copy (the options may change it); it must outlive
  // the receiver, as must `window`.
  HandOffReceiver(HandOffWindow& window, const GeneralSettings& settings,
                  std::string blockName = handOffBlockName());

  int32_t onHandOff(uint32_t kind);
  int32_t onLinkList(std::string_view bytes);

  // Handles the request when it is a hand-off kind (1-3) or the link list (7161): true
  // with `reply` set. False for other kinds (the caller's dispatch handles them).
  bool handle(const ControlRequest& request, ControlReply& reply);

  const HandOffSlots& slots() const { return m_slots; }

 private:
  int32_t onClick(const std::string& text);

  HandOffWindow& m_window;
  const GeneralSettings& m_settings;
  std::string m_blockName;
  HandOffSlots m_slots;
};

// Shared by the receivers: the lines of a text, each trimmed on both sides. Lines end at
// LF (a CR before it is trimmed away), so CR LF and plain LF texts split alike.
std::vector<std::string> handOffLines(std::string_view text);
// The upper-case extension of a URL's file name ("" when it does not parse or the name has
// no "."), and whether it is listed in `monitorType` (substring).
std::string urlExtension(const std::string& url);
bool extensionInMonitorList(const std::string& extension, const std::string& monitorType);
// `text` cut to `max` bytes at a UTF-8 character boundary.
std::string cutUtf8(const std::string& text, size_t max);

}  // namespace fw

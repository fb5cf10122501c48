#pragma once
// The clipboard monitor: copied download links become jobs.
//   onClipboardChanged()  (the desktop program connects it to QClipboard::dataChanged while
//     "Monitor" bit 0x01 is set; connecting and disconnecting are joining and leaving)
//     ignores the change while joining, while closing, when the clipboard holds no text,
//     or when the text is longer than 27,000 bytes; otherwise it keeps the text and asks
//     for examine() to run from the event loop.
//   examine()  looks at the kept text once, then forgets it:
//     - lines are trimmed, empty ones skipped; every remaining line must be a URL (else
//       the text is ignored);
//     - nothing happens unless at least one URL's extension (its file name from the last
//       ".", upper case) is a substring of MonitorType;
//     - one URL: added at once, or with "Monitor" bit 0x02 the window comes to the front and
//       the new-job property sheet is queued;
//     - several: a "Select Url" window lists all of them (file name, URL).
// Main thread only.

#include <string>

#include "capture/receiver/hand_off_window.h"
#include "store/settings_records.h"

namespace fw {

inline constexpr size_t kClipboardTextMax = 27000;

class ClipboardMonitor {
 public:
  // `settings` and `window` must outlive the monitor.
  ClipboardMonitor(HandOffWindow& window, const GeneralSettings& settings);

  // Set around joining (connecting), so that a notification joining itself causes is
  // ignored.
  void setJoining(bool joining) { m_joining = joining; }
  bool joining() const { return m_joining; }

  // True when a text was kept and examine() should be queued.
  bool onClipboardChanged();
  void examine();

  const std::string& keptText() const { return m_text; }

 private:
  HandOffWindow& m_window;
  const GeneralSettings& m_settings;
  bool m_joining = false;
  std::string m_text;
};

}  // namespace fw

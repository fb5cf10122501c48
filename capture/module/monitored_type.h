#pragma once
// Whether a URL the browser is about to fetch names a monitored file type, as the capture
// module has always decided it:
//   - no when "Monitor" bit 0x20 is clear or the URL has no "://";
//   - the URL is walked back from its end (down to index 1): a "/" means no; the first "."
//     ends the walk (when none is met, index 0 must hold the "."); letters are compared in
//     upper case;
//   - the tail from that "." on is taken (a tail of 197 bytes or more: its last 190 bytes
//     only), cut at its first "?" or "&", and must then be longer than one byte and start
//     with ".";
//   - the tail with ";" appended must occur somewhere in MonitorType.
// So ".../setup.exe?x=1" and ".../get?f=a.zip" match, ".../a.zip/x" does not, and ".GZ;"
// also matches inside ".TAR.GZ;". Only the URL's side is case-blind.
// Pure function, any thread.

#include <string_view>

#include "capture/module/capture_settings.h"

namespace fw {

bool isMonitoredUrl(const CaptureSettings& settings, std::string_view url);

}  // namespace fw

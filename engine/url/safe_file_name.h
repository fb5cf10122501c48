#pragma once
// Turns a file name that came from outside (a server's Content-Disposition header, the
// last component of a URL) into one that is safe to create in the save directory.
// Pure functions; any thread.

#include <string>
#include <string_view>

namespace fw {

inline constexpr size_t kMaxFileNameBytes = 255;

// Keeps only the last component (text after the last "/" or "\"), drops NUL and other
// control bytes (below 0x20 and 0x7F), trims blanks at both ends and cuts the result to
// kMaxFileNameBytes bytes without splitting a UTF-8 sequence. A result that is empty,
// "." or ".." is replaced by `fallback` (which may itself be empty, telling the caller
// that nothing usable was given).
std::string safeFileName(std::string_view raw, std::string_view fallback = "index.htm");

// Value of a Content-Disposition header (the text after "Content-Disposition:") -> the
// suggested name, not yet made safe: the RFC 6266 `filename*=charset'lang'pct-encoded`
// form (UTF-8 or ISO-8859-1, converted to UTF-8) is preferred over `filename=`, which
// may be quoted (backslash escapes honoured) or a bare token ending at ";". Empty when
// the value names no file.
std::string dispositionFileName(std::string_view value);

}  // namespace fw

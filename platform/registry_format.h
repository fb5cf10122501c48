#pragma once
// The registry store's file format: the text form of a registry export.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Fetchwright\Fetchwright\General]
//   "MaxSplit"=dword:0000000f
//   "MonitorType"=".ZIP;.EXE"
//   "OrderOne"=hex:01,02,03
//
// Long hex data is wrapped: a line ending in "\" continues on the next line.
// Strings escape \ as \\ and " as \"; so that every string survives a round trip, a newline is
// written \n, a carriage return \r and any other control byte \xHH (a backslash before any other
// character is read as itself). "@" names the unnamed value. Reading also accepts comment lines
// (";"), "[-key]" (delete the key) and "name"=- (delete the value), as an import would.
// Top-level keys must be HKEY_ roots. Value types other than dword, string and hex are refused
// rather than dropped, so that a file this program cannot represent is never rewritten short.
// Pure functions, any thread.

#include <string>
#include <string_view>

#include "platform/registry_tree.h"

namespace fw {

inline constexpr std::string_view kRegFileHeader = "Windows Registry Editor Version 5.00";

// Fills `top` (its children become the root keys). A text that is empty or only blank is an
// empty store. On failure returns false, `error` = "line N: reason" and `top` is left empty.
bool parseRegText(std::string_view text, RegNode& top, std::string& error);

// The text of the whole store. Every key below a root gets a section, so empty keys persist.
std::string formatRegText(const RegNode& top);

// The quoted form of `s` ("..." with the escapes above); used for value names and strings.
std::string quoteRegString(std::string_view s);

}  // namespace fw

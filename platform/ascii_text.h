#pragma once
// Text rules for the ASCII of URLs, protocol lines and names typed into dialogs. They never
// depend on the process's locale (the desktop program runs under the user's).

#include <string>
#include <string_view>

namespace fw {

// The C locale's white space.
inline constexpr std::string_view kAsciiSpace = " \t\n\v\f\r";

// `s` without leading and trailing characters of `strip`.
std::string trimmed(std::string_view s, std::string_view strip = kAsciiSpace);

// ASCII letters compared without case; other bytes must be equal.
bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view s, std::string_view prefix);
bool endsWithNoCase(std::string_view s, std::string_view suffix);

}  // namespace fw

#pragma once
// Percent-decoding of URL text. Pure functions; any thread.

#include <string>
#include <string_view>

namespace fw {

// "%" followed by two hexadecimal digits (either case) becomes that byte; everything
// else, including a "%" without two hex digits after it and every "/", is copied as it
// is. The result may hold any byte, NUL included: callers that build file names pass
// it through safeFileName(), callers that send it on a wire must check it themselves.
std::string percentDecode(std::string_view text);

// Value of one hexadecimal digit, or -1.
int hexDigitValue(char c);

}  // namespace fw

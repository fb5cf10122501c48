#pragma once
// The keyword table shared by the response-header parser and the URL scheme check.
// Pure functions; any thread.

#include <string_view>

namespace fw {

inline constexpr std::string_view kHeaderKeywords =
    "http:1:location:2:last-modified:3:content-length:4:set-cookie:5:content-range:6:ftp:7:"
    "content-disposition:8:https:9:transfer-encoding:0:date:3:";

inline constexpr int kNoKeyword = -1000;

// Looks `name` (already lower-case) up as a substring of the table, so a name that
// merely occurs inside the table also matches: the code is the digit that follows the
// colon after the match, which for a partial match is whatever character sits there
// minus '0' (possibly negative or above 9). kNoKeyword when `name` does not occur.
int headerKeywordCode(std::string_view name);

}  // namespace fw

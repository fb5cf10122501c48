#pragma once
// The link-list text the capture module sends with request 7161: each item followed by
// CR LF CR LF. The program reads it as one leading item, then pairs of URL and link text.

#include <cstddef>
#include <string>
#include <vector>

namespace fw {

// The sender's buffer; an item is added only while the text plus the item plus 10 bytes
// stays below it.
inline constexpr size_t kLinkListBufferSize = 73728;

// Appends the items in order as "%s\r\n\r\n", stopping at the first item that would bring
// the text within 10 bytes of kLinkListBufferSize. An item ends at a NUL it holds, and CR
// and LF inside an item become spaces, so that an item never splits the list. Pure, any
// thread.
std::string buildLinkListText(const std::vector<std::string>& items);

}  // namespace fw

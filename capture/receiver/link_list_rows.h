#pragma once
// Reading a link-list text (as the capture module builds it, capture/module/link_list_text.h)
// into the rows of a "Select Url" window: the text splits at each CR LF CR LF, each item
// loses its leading white space, the first item is skipped, and the rest come in pairs of
// URL and link text. A pair becomes a row when its URL is not empty, not already listed
// (exact comparison) and has its first "://" at index 4 to 7 (http, https: ftp links are
// not listed). The row's icon name is the URL's text after its last "/" ("index.htm" when
// that is empty or there is no "/"). Pure, any thread.

#include <string>
#include <string_view>
#include <vector>

#include "capture/receiver/hand_off_window.h"

namespace fw {

std::vector<UrlRow> linkListRows(std::string_view text);

// The icon name rule above, for one URL.
std::string urlIconName(std::string_view url);

}  // namespace fw

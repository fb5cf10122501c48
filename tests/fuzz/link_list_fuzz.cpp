// Texts from outside the program: link lists (rows of a "Select Url" window) and copied
// clipboard text split into lines. Rows are unique, non-empty, with "://" at index 4 to 7;
// lines never hold a line break or surrounding white space.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "capture/module/link_list_text.h"
#include "capture/receiver/hand_off_receiver.h"
#include "capture/receiver/link_list_rows.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::set<std::string> urls;
  for (const fw::UrlRow& row : fw::linkListRows(input)) {
    size_t scheme = row.url.find("://");
    if (row.url.empty() || scheme < 4 || scheme > 7) std::abort();
    if (!urls.insert(row.url).second) std::abort();
    if (row.iconName.empty()) std::abort();
  }
  for (const std::string& line : fw::handOffLines(input)) {
    if (line.find('\n') != std::string::npos) std::abort();
    if (!line.empty() && (std::isspace(static_cast<unsigned char>(line.front())) ||
                          std::isspace(static_cast<unsigned char>(line.back()))))
      std::abort();
  }
  // Items built by the sender read back as pairs, as long as each item is an item.
  std::vector<std::string> items{"lead"};
  for (size_t at = 0; at < input.size() && items.size() < 64;) {
    size_t end = input.find('\x01', at);
    if (end == std::string::npos) end = input.size();
    items.push_back(input.substr(at, end - at));
    at = end + 1;
  }
  std::string text = fw::buildLinkListText(items);
  if (text.size() >= fw::kLinkListBufferSize) std::abort();
  fw::linkListRows(text);
  return 0;
}

#include "capture/module/link_list_text.h"

#include <algorithm>

namespace fw {

std::string buildLinkListText(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& full : items) {
    std::string item = full.substr(0, full.find('\0'));
    std::replace(item.begin(), item.end(), '\r', ' ');
    std::replace(item.begin(), item.end(), '\n', ' ');
    if (text.size() + item.size() + 10 >= kLinkListBufferSize) break;
    text += item;
    text += "\r\n\r\n";
  }
  return text;
}

}  // namespace fw

#include "capture/receiver/link_list_rows.h"

#include <unordered_set>

namespace fw {

namespace {

std::string_view trimLeft(std::string_view s) {
  size_t b = s.find_first_not_of(" \t\r\n\f\v");
  return b == std::string_view::npos ? std::string_view() : s.substr(b);
}

std::vector<std::string_view> splitItems(std::string_view text) {
  std::vector<std::string_view> items;
  const std::string_view sep = "\r\n\r\n";
  size_t start = 0;
  for (;;) {
    size_t at = text.find(sep, start);
    if (at == std::string_view::npos) {
      items.push_back(text.substr(start));
      return items;
    }
    items.push_back(text.substr(start, at - start));
    start = at + sep.size();
  }
}

}  // namespace

std::string urlIconName(std::string_view url) {
  size_t slash = url.rfind('/');
  if (slash == std::string_view::npos || slash + 1 == url.size()) return "index.htm";
  return std::string(url.substr(slash + 1));
}

std::vector<UrlRow> linkListRows(std::string_view text) {
  std::vector<std::string_view> items = splitItems(text);
  std::vector<UrlRow> rows;
  std::unordered_set<std::string> listed;
  for (size_t i = 1; i < items.size(); i += 2) {
    std::string url(trimLeft(items[i]));
    std::string title = i + 1 < items.size() ? std::string(trimLeft(items[i + 1])) : "";
    size_t scheme = url.find("://");
    if (url.empty() || scheme == std::string::npos || scheme < 4 || scheme > 7) continue;
    if (!listed.insert(url).second) continue;
    rows.push_back(UrlRow{std::move(title), url, urlIconName(url)});
  }
  return rows;
}

}  // namespace fw

#include "ui/dialogs/select_url_logic.h"

#include <algorithm>
#include <cctype>

#include "engine/url/url_parse.h"
#include "platform/message_box.h"

namespace fw {

namespace {

void addOnce(std::vector<std::string>& list, const std::string& value) {
  if (std::find(list.begin(), list.end(), value) == list.end()) list.push_back(value);
}

bool listed(const std::vector<std::string>& list, const std::string& value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

std::string linkHost(const std::string& url) {
  UrlParts parts;
  return parseUrl(std::string_view(url), parts) == 1 ? parts.host : std::string();
}

std::string linkExtension(const std::string& url) {
  UrlParts parts;
  if (parseUrl(std::string_view(url), parts) != 1) return "";
  const size_t dot = parts.fileName.rfind('.');
  if (dot == std::string::npos) return "";
  std::string ext = parts.fileName.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

std::vector<std::string> linkHosts(const std::vector<UrlRow>& rows) {
  std::vector<std::string> out;
  for (const UrlRow& r : rows) addOnce(out, linkHost(r.url));
  return out;
}

std::vector<std::string> linkExtensions(const std::vector<UrlRow>& rows) {
  std::vector<std::string> out;
  for (const UrlRow& r : rows) addOnce(out, linkExtension(r.url));
  return out;
}

bool linkChosen(const std::string& url, const std::vector<std::string>& hosts,
                const std::vector<std::string>& extensions) {
  return listed(hosts, linkHost(url)) && listed(extensions, linkExtension(url));
}

int processChosenUrls(const std::vector<std::string>& urls, MessageBoxes& boxes,
                      const SheetOpener& openSheet, const SameSettingAdder& addSame) {
  if (urls.empty()) return 0;
  std::optional<JobSheetValues> first = openSheet(urls.front());
  if (!first) return 0;
  int done = 1;
  if (urls.size() == 1) return done;
  const std::vector<std::string> rest(urls.begin() + 1, urls.end());
  if (boxes.show(kSameSettingQuestion, BoxIcon::Question, BoxButtons::YesNo) == kBoxYes)
    return done + addSame(*first, rest);
  for (const std::string& url : rest) {
    if (!openSheet(url)) break;
    ++done;
  }
  return done;
}

}  // namespace fw

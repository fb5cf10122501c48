#include "ui/main_window/command_line_urls.h"

#include "store/url_list.h"
#include "ui/main_window/desktop_session.h"
#include "ui/main_window/main_window.h"

namespace fw {

namespace {

std::vector<AddJobRequest> requestsFor(const std::vector<std::string>& urls) {
  std::vector<AddJobRequest> requests;
  for (const std::string& url : urls) {
    AddJobRequest r;
    r.url = url;
    requests.push_back(std::move(r));
  }
  return requests;
}

}  // namespace

void offerStartupUrls(MainWindow& window, const std::vector<std::string>& urls) {
  if (!urls.empty()) window.offerUrls(requestsFor(urls), UrlSource::CommandLine);
}

ControlReply offerUrlsRequest(DesktopSession& session, MainWindow& window,
                              const ControlRequest& request) {
  if (session.closing()) return ControlReply{-2, {}};
  std::vector<std::string> urls = decodeUrlList(request.payload);
  if (!urls.empty()) window.offerUrls(requestsFor(urls), UrlSource::Clipboard);
  return ControlReply{static_cast<int32_t>(urls.size()), {}};
}

}  // namespace fw

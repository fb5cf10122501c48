#pragma once
// URLs named on the desktop program's command line, all offered through
// MainWindow::offerUrls: the program's own at start-up (UrlSource::CommandLine: the
// property sheet, or a "Select Url" window for several), and those a later
// `fetchwright URL...` sends over the control socket (kControlOfferUrls), which the running
// program takes as it takes a copied link (UrlSource::Clipboard).
//
// Main thread only.

#include <string>
#include <vector>

#include "platform/control_socket.h"

namespace fw {

class DesktopSession;
class MainWindow;

void offerStartupUrls(MainWindow& window, const std::vector<std::string>& urls);

// The kControlOfferUrls handler. The answer's number is how many URLs were offered (a
// sheet or window they open answers later, to the user); -2 while the program closes.
ControlReply offerUrlsRequest(DesktopSession& session, MainWindow& window,
                              const ControlRequest& request);

}  // namespace fw

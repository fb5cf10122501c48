#pragma once
// Everything the browser-capture end-to-end test and its benchmark run on: a private
// FETCHWRIGHT_HOME with the capture settings, the native-host manifest written by the
// real registration, a local nginx serving a page that sets a cookie and links to
// archives, headless Chromium with the extension, and the receiving program (started by
// the rig, or by the host when the rig leaves it stopped).
//
// The receiving program is any program that serves the control socket of
// $FETCHWRIGHT_HOME (the desktop program). The rig finds it through the socket (the
// peer's pid) whoever started it, and stops it with SIGTERM.
//
// Thread safety: one owner thread.

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/nginx_server.h"
#include "support/server_process.h"
#include "support/temp_dir.h"
#include "support/webdriver_client.h"

namespace fw::test {

struct CaptureRigOptions {
  std::string receiverPath;  // the receiving program
  std::string hostPath;      // snarebolt-host
  std::string extensionDir;  // the Chromium build of the extension
  uint32_t monitor = 0x20;   // "Monitor": browser clicks, no confirmation
  int benchLinks = 0;        // extra links /bench/bNN.zip on the page
  // Environment the receiving program needs besides FETCHWRIGHT_HOME (a display, ...).
  std::vector<std::pair<std::string, std::string>> receiverEnv;
};

// One request nginx logged.
struct LoggedRequest {
  double at = 0;  // seconds since the epoch
  std::string uri;
  int status = 0;
  std::string referer;
  std::string cookie;
  std::string agent;
  bool fromBrowser() const {
    return agent.find("Chrome/") != std::string::npos ||
           agent.find("Firefox/") != std::string::npos;
  }
};

class CaptureRig {
 public:
  explicit CaptureRig(CaptureRigOptions options);
  ~CaptureRig();

  // nginx, settings, manifests and the browser (with the page open). False with `error`.
  bool start(const std::string& nginxPath, const std::string& chromedriver, std::string& error);
  // The same with headless Firefox instead, the extension's Firefox build side-loaded into a
  // fresh profile. Firefox opens /start.html, which sets the cookie and moves on to
  // /files/first.zip after 3 s (Firefox has no driver here; the extension is up by then).
  bool startFirefox(const std::string& nginxPath, const std::string& firefox,
                    const std::string& xpi, std::string& error);
  void stop();

  // The receiving program, started here (false when it did not come up within 10 s).
  bool startReceiver();
  // Stops whichever process serves the control socket; true when none is left.
  bool stopReceiver();
  // Pid of the process serving the control socket; 0 when none answers.
  int receiverPid() const;

  void setMonitor(uint32_t monitor);
  std::string pageUrl() const;
  std::string url(const std::string& path) const;
  bool openPage();
  // Clicks the link with this id; returns the wall-clock second just before the click.
  double click(const std::string& id);
  // Runs a context-menu command in the running extension, as its menu would:
  // "fetchwright-link" with the link `target`, or "fetchwright-page" on the page.
  nlohmann::json menuCommand(const std::string& menuId, const std::string& target = "");

  std::vector<LoggedRequest> requests() const;
  // Names in the browser's download folder now, and the path of one of them.
  std::vector<std::string> browserFolder() const;
  std::string browserDownloadPath(const std::string& name) const {
    return m_downloads + "/" + name;
  }
  // Where the receiving program saved `name` below its download folder ("" when nowhere).
  std::string programDownloadPath(const std::string& name) const;
  // Polls `done` every 20 ms, up to `timeoutMs`; `each` (when given) runs at every poll.
  bool waitFor(const std::function<bool()>& done, int timeoutMs,
               const std::function<void()>& each = nullptr);

  const std::string& home() const { return m_home; }
  std::string fileBytes(const std::string& name) const;  // what nginx serves as /files/<name>
  ChromiumSession& browser() { return m_browser; }

 private:
  bool prepare(const std::string& nginxPath, std::string& error);
  void writeSite();
  std::vector<std::pair<std::string, std::string>> environment() const;

  CaptureRigOptions m_o;
  TempDir m_dir{"fwcapture"};
  std::string m_home;
  std::string m_xdg;
  std::string m_userHome;
  std::string m_downloads;
  std::string m_accessLog;
  std::string m_pageHandle;
  NginxServer m_nginx;
  ChromiumSession m_browser;
  ServerProcess m_receiver;
  ServerProcess m_firefox;
};

}  // namespace fw::test

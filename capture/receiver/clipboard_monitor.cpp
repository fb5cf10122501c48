#include "capture/receiver/clipboard_monitor.h"

#include "capture/module/monitor_flags.h"
#include "capture/receiver/hand_off_receiver.h"
#include "engine/url/url_parse.h"

namespace fw {

ClipboardMonitor::ClipboardMonitor(HandOffWindow& window, const GeneralSettings& settings)
    : m_window(window), m_settings(settings) {}

bool ClipboardMonitor::onClipboardChanged() {
  if (m_joining || m_window.closing()) return false;
  std::string text = m_window.clipboardText();
  if (text.empty() || text.size() > kClipboardTextMax) return false;
  m_text = std::move(text);
  return true;
}

void ClipboardMonitor::examine() {
  std::string text = std::move(m_text);
  m_text.clear();
  if (m_window.closing()) return;

  std::vector<UrlRow> found;
  bool anyListed = false;
  for (const std::string& line : handOffLines(text)) {
    if (line.empty()) continue;
    UrlParts parts;
    if (!parseUrl(std::string_view(line), parts)) return;
    found.push_back(UrlRow{parts.fileName, line, parts.fileName});
    if (extensionInMonitorList(urlExtension(line), m_settings.monitorType)) anyListed = true;
  }
  if (!anyListed) return;

  if (found.size() == 1) {
    if (m_settings.monitor & monitorflag::kClipboardConfirm) {
      m_window.bringToFront();
      m_window.queuePropertySheet(NewJobOffer{found[0].url, {}, {}});
    } else {
      AddJobRequest request;
      request.url = found[0].url;
      m_window.addJobNow(request);
    }
    return;
  }
  m_window.openSelectUrl(found);
}

}  // namespace fw

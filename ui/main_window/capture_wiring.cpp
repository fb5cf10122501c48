#include "ui/main_window/capture_wiring.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

#include "capture/host/host_manifests.h"
#include "capture/module/monitor_flags.h"
#include "platform/control_kinds.h"
#include "platform/file_system.h"
#include "ui/main_window/desktop_session.h"
#include "ui/main_window/main_window.h"

#include <sys/stat.h>

namespace fw {

CaptureWiring::CaptureWiring(DesktopSession& session, MainWindow& window)
    : m_session(session),
      m_window(window),
      m_receiver(*this, session.settings().general),
      m_monitor(*this, session.settings().general) {
  m_listener = session.addSettingsListener([this] { followMonitorBit(); });
  followMonitorBit();
}

CaptureWiring::~CaptureWiring() {
  m_session.removeSettingsListener(m_listener);
  QObject::disconnect(m_clipboard);
  for (uint32_t kind :
       {kControlHandOffList, kControlHandOffAddUrl, kControlHandOffClick, kControlLinkList})
    m_session.control().remove(kind);
}

void CaptureWiring::serve() {
  for (uint32_t kind :
       {kControlHandOffList, kControlHandOffAddUrl, kControlHandOffClick, kControlLinkList})
    m_session.control().add(kind, [this](const ControlRequest& request) {
      ControlReply reply;
      m_receiver.handle(request, reply);
      return reply;
    });
}

void CaptureWiring::followMonitorBit() {
  const bool want = (m_session.settings().general.monitor & monitorflag::kClipboard) != 0;
  if (want == clipboardJoined()) return;
  if (!want) {
    QObject::disconnect(m_clipboard);
    m_clipboard = {};
    return;
  }
  m_monitor.setJoining(true);
  m_clipboard = connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
                        &CaptureWiring::onClipboardChanged);
  m_monitor.setJoining(false);
}

void CaptureWiring::onClipboardChanged() {
  if (m_monitor.onClipboardChanged()) QTimer::singleShot(0, this, [this] { m_monitor.examine(); });
}

void CaptureWiring::bringToFront() {
  m_window.raiseWindow();
}

void CaptureWiring::openSelectUrl(const std::vector<UrlRow>& rows) {
  m_window.openSelectUrl(rows);
}

void CaptureWiring::queuePropertySheet(const NewJobOffer& offer) {
  // The sender waits for this request's answer; the modal sheet opens after it is sent.
  QTimer::singleShot(0, &m_window, [this, offer] {
    if (m_session.closing() || offer.url.empty()) return;
    m_window.openNewJobSheet(offer);
  });
}

bool CaptureWiring::addJobNow(const AddJobRequest& request) {
  return m_window.addJobNow(request);
}

std::string CaptureWiring::clipboardText() {
  return QGuiApplication::clipboard()->text().toStdString();
}

bool CaptureWiring::closing() const {
  return m_session.closing();
}

void registerBrowserCapture() {
  const std::string host = installedHostPath();
  struct stat st {};
  if (::stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  registerNativeHost(host);
}

}  // namespace fw

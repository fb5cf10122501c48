#pragma once
// Browser and clipboard capture in the desktop program: the capture receivers
// (capture/receiver/) served on the session's control socket, their window side
// (HandOffWindow) carried out by the main window, and the clipboard monitor joined to
// QClipboard::dataChanged while "Monitor" bit 0x01 is set (it follows the bit whenever the
// settings change: the "Monitor ClipBoard" command, the options).
//
// Main (GUI) thread only. Create after the main window's start-up, before the event loop.

#include <QMetaObject>
#include <QObject>

#include <memory>
#include <string>
#include <vector>

#include "capture/receiver/clipboard_monitor.h"
#include "capture/receiver/hand_off_receiver.h"
#include "capture/receiver/hand_off_window.h"

namespace fw {

class DesktopSession;
class MainWindow;

class CaptureWiring final : public QObject, public HandOffWindow {
  Q_OBJECT

 public:
  CaptureWiring(DesktopSession& session, MainWindow& window);
  ~CaptureWiring() override;

  // Adds the hand-off kinds and the link list to the session's control dispatch.
  void serve();
  // Joins or leaves the clipboard to match "Monitor" bit 0x01.
  void followMonitorBit();
  bool clipboardJoined() const { return static_cast<bool>(m_clipboard); }

  // HandOffWindow.
  void bringToFront() override;
  void openSelectUrl(const std::vector<UrlRow>& rows) override;
  void queuePropertySheet(const NewJobOffer& offer) override;
  bool addJobNow(const AddJobRequest& request) override;
  std::string clipboardText() override;
  bool closing() const override;

 private:
  void onClipboardChanged();

  DesktopSession& m_session;
  MainWindow& m_window;
  HandOffReceiver m_receiver;
  ClipboardMonitor m_monitor;
  QMetaObject::Connection m_clipboard;
  size_t m_listener = 0;
};

// Writes the browsers' native-host manifests for the snarebolt-host installed with this
// program, when it is there (a manifest naming a missing host would only make the
// extension fail); manifests naming an existing host are kept.
void registerBrowserCapture();

}  // namespace fw

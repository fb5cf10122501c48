// The main window's side of dial-up and of the update check: the Dialing window, the
// "Check Newest Version" window and the offer of a newer version.

#include "ui/dialogs/dialing_dialog.h"
#include "ui/dialogs/update_dialogs.h"
#include "ui/main_window/main_window.h"
#include "ui/options/options_sheet.h"

namespace fw {

DialingView* MainWindow::openDialingView(DialingWindow& window) {
  if (m_closing) return nullptr;
  auto* dialog = new DialingDialog(window, this);
  dialog->show();
  return dialog;
}

void MainWindow::openDialUpOptions() {
  // The dial-up page is where an entry is chosen.
  showOptions(OptionsSheet::kDialUpPage);
}

void MainWindow::offerNewerVersion() {
  if (m_closing) return;
  const UpdateChecker* checker = m_session.updates();
  auto* dialog = new NewerVersionDialog(checker ? checker->endpoint().downloadPage : "", this);
  dialog->show();
}

void MainWindow::openUpdateWindow() {
  // One window: a second request brings the open one forward.
  if (auto* open = findChild<UpdateDialog*>()) {
    open->raise();
    open->activateWindow();
    return;
  }
  m_session.useUpdateCheck();
  auto* dialog = new UpdateDialog(m_session.loop(), *m_session.updates(), this);
  dialog->show();
}

}  // namespace fw

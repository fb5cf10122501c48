#include "jobs/update_window.h"

namespace fw {

UpdateWindow::UpdateWindow(MessageLoop& loop, UpdateChecker& checker, UpdateWindowView* view)
    : Window(loop), m_checker(&checker), m_view(view) {}

UpdateWindow::~UpdateWindow() {
  if (m_checker != nullptr) m_checker->detach(this);
}

void UpdateWindow::open() {
  m_text = kUpdateDownloading;
  m_moreInfo = false;
  m_answered = false;
  m_ticks = 0;
  if (m_checker == nullptr || !m_checker->configured()) {
    // No update server is configured: there is nothing to wait for.
    failed(false);
    return;
  }
  m_checker->attach(this);
  m_checker->start();
  m_timerOn = true;
  loop().setTimer(this, kUpdateWindowTimerId, 1000);
  if (m_view != nullptr) m_view->changed();
}

void UpdateWindow::stopTimer() {
  if (!m_timerOn) return;
  m_timerOn = false;
  loop().killTimer(this, kUpdateWindowTimerId);
}

void UpdateWindow::showResult(WParam note) {
  stopTimer();
  m_answered = true;
  if (note == kNoteUpdateNewer) {
    m_text = kUpdateNewerText;
    m_moreInfo = m_checker != nullptr && !m_checker->endpoint().downloadPage.empty();
  } else if (note == kNoteUpdateLatest) {
    m_text = kUpdateLatestText;
  } else {
    failed(false);
    return;
  }
  if (m_view != nullptr) m_view->changed();
}

void UpdateWindow::failed(bool timedOut) {
  stopTimer();
  m_text = kUpdateFailedText;
  const UpdateEndpoint* e = m_checker != nullptr ? &m_checker->endpoint() : nullptr;
  if (timedOut && e != nullptr && !e->homePage.empty())
    m_text += " Please visit " + e->homePage + " for the newest version.";
  m_moreInfo = e != nullptr && !e->downloadPage.empty();
  if (m_view != nullptr) m_view->changed();
}

void UpdateWindow::moreInfo() {
  if (m_moreInfo && m_view != nullptr && m_checker != nullptr)
    m_view->openPage(m_checker->endpoint().downloadPage);
}

LResult UpdateWindow::handleMessage(MessageId msg, WParam w, LParam) {
  if (msg == kMsgTimer && w == kUpdateWindowTimerId && m_timerOn && !m_answered) {
    if (++m_ticks > kUpdateWindowTicks) failed(true);
  }
  return 0;
}

}  // namespace fw

#include "jobs/dialing_window.h"

#include <cstdio>

#include "jobs/dial_manager.h"

namespace fw {

namespace {

constexpr MessageId kMsgClose = 0x0010;

}  // namespace

DialingWindow::DialingWindow(MessageLoop& loop, DialManager& manager, bool reconnect,
                             int waitSeconds, int times, const std::string& establish)
    : Window(loop),
      m_manager(manager),
      m_reconnect(reconnect),
      m_waitSeconds(waitSeconds),
      m_times(times),
      m_caption(reconnect ? establish : kDialingCaption) {}

int DialingWindow::secondsToRedial() const {
  if (!m_timerOn || m_manager.m_handle != 0 || m_closed) return 0;
  return m_waitSeconds - m_ticks;
}

void DialingWindow::open() {
  if (m_view != nullptr) m_view->setCaption(m_caption);
  append("Start dialing...");
  if (m_manager.m_handle == 0) {
    dialNow();
    if (m_closed) return;
  }
  m_timerOn = true;
  loop().setTimer(this, kDialingTimerId, 1000);
}

void DialingWindow::dialNow() {
  int r = m_manager.startDial();
  if (r == 0) return;
  m_manager.m_lineUp.reset();
  append(m_manager.errorTextFor(r, true));
  m_manager.hangUpLine();
  m_manager.m_dialState = kDialFailed;
  finish();
}

void DialingWindow::append(const std::string& text) {
  if (m_lines.size() > kDialingMaxLines) m_lines.clear();
  m_lines.push_back(text.size() > kDialStatusMaxChars ? text.substr(0, kDialStatusMaxChars) : text);
  if (m_view != nullptr) m_view->linesChanged();
}

void DialingWindow::appendStatus(const std::string& text) {
  if (!m_closed) append(text);
}

void DialingWindow::dialFailed() {
  if (m_closed) return;
  ++m_attempts;
  m_ticks = 0;
  bool givingUp = m_attempts > m_times;
  if (givingUp && m_timerOn) {
    m_timerOn = false;
    loop().killTimer(this, kDialingTimerId);
  }
  m_manager.hangUpLine();
  m_manager.m_dialState = kDialFailed;
  if (givingUp) {
    finish();
    return;
  }
  if (m_lines.size() > kDialingMaxLines) {
    m_lines.clear();
    if (m_view != nullptr) m_view->linesChanged();
  } else {
    char buf[64];
    std::snprintf(buf, sizeof buf, "Wait %d second for retry.", m_waitSeconds);
    append(buf);
  }
  if (m_view != nullptr) m_view->countdownChanged();
}

void DialingWindow::postClose() {
  loop().post(this, kMsgClose);
}

void DialingWindow::close() {
  finish();
}

LResult DialingWindow::handleMessage(MessageId msg, WParam w, LParam) {
  if (msg == kMsgTimer && w == kDialingTimerId) {
    onTimer();
  } else if (msg == kMsgClose) {
    finish();
  }
  return 0;
}

void DialingWindow::onTimer() {
  if (m_closed || m_manager.m_handle != 0 || m_redialing) return;
  if (++m_ticks >= m_waitSeconds) {
    m_ticks = 0;
    m_redialing = true;
    dialNow();
    m_redialing = false;
  }
  if (m_view != nullptr && !m_closed) m_view->countdownChanged();
}

void DialingWindow::finish() {
  if (m_closed) return;
  m_closed = true;
  if (m_timerOn) {
    m_timerOn = false;
    loop().killTimer(this, kDialingTimerId);
  }
  // Only a dial still under way is abandoned; a line that came up stays up.
  if (m_manager.m_handle != 0 && !m_manager.m_lineUp.isSet()) {
    m_manager.hangUpLine();
    m_manager.m_dialState = kDialUserClosed;
    m_manager.m_lineUp.reset();
  }
  DialingView* view = m_view;
  m_view = nullptr;
  if (view != nullptr) view->closeView();
  m_manager.windowClosed(*this);
}

}  // namespace fw

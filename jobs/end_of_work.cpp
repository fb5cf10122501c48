#include "jobs/end_of_work.h"

namespace fw {

EndOfWorkCountdown::EndOfWorkCountdown(MessageLoop& loop, int seconds, std::string format,
                                       bool shutdown, EndOfWorkActions& actions,
                                       PowerControl* power)
    : Window(loop),
      m_left(seconds),
      m_format(std::move(format)),
      m_shutdown(shutdown),
      m_actions(actions),
      m_power(power) {}

void EndOfWorkCountdown::start(EndOfWorkView* view) {
  m_view = view;
  refresh();
  loop().setTimer(this, kCountdownTimerId, 1000);
}

void EndOfWorkCountdown::refresh() {
  // The format is the program's own; only its "%d" is replaced.
  m_text = m_format;
  size_t at = m_text.find("%d");
  if (at != std::string::npos) m_text.replace(at, 2, std::to_string(m_left));
  if (m_view != nullptr) m_view->textChanged();
}

LResult EndOfWorkCountdown::handleMessage(MessageId msg, WParam w, LParam) {
  if (msg != kMsgTimer || w != kCountdownTimerId || m_finished) return 0;
  if (m_left > 0) --m_left;
  refresh();
  if (m_left == 0) ok();
  return 0;
}

void EndOfWorkCountdown::finish() {
  m_finished = true;
  loop().killTimer(this, kCountdownTimerId);
  EndOfWorkView* view = m_view;
  m_view = nullptr;
  if (view != nullptr) view->closeView();
}

void EndOfWorkCountdown::ok() {
  if (m_finished) return;
  finish();
  if (m_shutdown) {
    m_actions.saveAll();
    std::string why;
    if (m_power == nullptr)
      m_actions.powerOffFailed("powering off is not available");
    else if (m_power->powerOff(why) != 1)
      m_actions.powerOffFailed(why);
  }
  m_actions.closeProgram();
}

void EndOfWorkCountdown::cancel() {
  if (!m_finished) finish();
}

}  // namespace fw

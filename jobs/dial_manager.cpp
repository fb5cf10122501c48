#include "jobs/dial_manager.h"

#include <cstdio>

#include "engine/base/control_codes.h"

namespace fw {

namespace {

constexpr MessageId kMsgReapWindow = 0x0BF1;

std::string cut(std::string text) {
  if (text.size() > kDialStatusMaxChars) text.resize(kDialStatusMaxChars);
  return text;
}

}  // namespace

DialManager::DialManager(MessageLoop& loop, Dialup& backend, DialManagerHost& host,
                         DialConfig config)
    : Window(loop), m_backend(backend), m_host(host) {
  setConfig(config);
}

DialManager::~DialManager() {
  m_window.reset();
  m_closing.reset();
  if (m_handle != 0) m_backend.hangUp(m_handle);
}

void DialManager::setConfig(const DialConfig& config) {
  m_config = config;
  m_inUse = config.inUse;
}

void DialManager::runStarting() {
  if (m_inUse && !m_lineUp.isSet() && !m_window && m_handle == 0) m_dialState = kDialIdle;
}

void DialManager::requestDial(int reconnect) {
  loop().postTo(id(), kMsgControl, kCmdDialRequest, reconnect);
}

LResult DialManager::handleMessage(MessageId msg, WParam w, LParam l) {
  if (msg == kMsgControl && w == kCmdDialRequest) {
    if (!m_window && m_handle == 0 && m_dialState == kDialIdle) openWindow(static_cast<int>(l));
    return 0;
  }
  if (msg == kMsgReapWindow) m_closing.reset();
  return 0;
}

void DialManager::openWindow(int reconnect) {
  m_window.reset(new DialingWindow(loop(), *this, reconnect == 1, m_config.waitSeconds,
                                   m_config.times, m_config.establish));
  DialingWindow& window = *m_window;
  window.setView(m_host.openDialingView(window));
  window.open();
}

int DialManager::startDial() {
  m_dialState = kDialDialling;
  DialParams params{m_config.entry, m_config.user, m_config.password};
  DialHandle handle = 0;
  int r = m_backend.dial(
      params, [this](DialHandle h, int state, int error) { onStatus(h, state, error); }, handle);
  m_handle = r == 0 ? handle : 0;
  return r;
}

void DialManager::hangUpLine() {
  if (m_handle == 0) return;
  DialHandle h = m_handle;
  m_handle = 0;
  m_backend.hangUp(h);
}

std::string DialManager::errorTextFor(int error, bool undefinedFallback) {
  std::string text;
  if (m_backend.errorText(error, text)) return cut(text);
  if (!undefinedFallback) return {};
  char buf[64];
  std::snprintf(buf, sizeof buf, "Undefined RAS Dial Error (%ld).", static_cast<long>(error));
  return buf;
}

void DialManager::onStatus(DialHandle handle, int state, int error) {
  if (handle == 0 || handle != m_handle) return;
  DialingWindow* window = m_window.get();
  if (window != nullptr && window->closed()) window = nullptr;

  if (state == kDialStateConnected && error == 0 && window != nullptr) {
    m_lineUp.set();
    window->appendStatus(dialStateText(state));
    window->postClose();
    return;
  }
  if (state == kDialStateDisconnected && window == nullptr) {
    // A line that was up went down.
    lineDropped();
    return;
  }
  if (error != 0 || state == kDialStateDisconnected) {
    m_lineUp.reset();
    if (window != nullptr) {
      // A line lost while dialling counts as a failed attempt, so that "Times" bounds it.
      std::string text = error != 0 ? errorTextFor(error, false) : dialStateText(state);
      if (!text.empty()) window->appendStatus(text);
      hangUpLine();
      window->dialFailed();
    } else {
      hangUpLine();
      if (m_dialState == kDialIdle && m_inUse) requestDial(1);
    }
    return;
  }
  if (window != nullptr) {
    if (const char* text = dialStateText(state)) window->appendStatus(text);
  }
}

void DialManager::lineDropped() {
  m_lineUp.reset();
  hangUpLine();
  m_dialState = kDialIdle;
  if (m_config.redial && m_inUse) requestDial(1);
}

void DialManager::checkLine() {
  if (m_checking || m_handle == 0 || m_window) return;
  m_checking = true;
  int state = 0;
  int r = m_backend.connectState(m_handle, state);
  // A handle the backend no longer knows is a line that is gone as well.
  if (r == kDialInvalidHandle || (r == 0 && state == kDialStateDisconnected)) lineDropped();
  m_checking = false;
}

void DialManager::hangUpWhenDone() {
  m_lineUp.reset();
  hangUpLine();
  m_dialState = kDialIdle;
}

void DialManager::connectDisconnect() {
  if (m_handle != 0) {
    m_host.stopAllJobs(-2);
    hangUpLine();
    m_lineUp.reset();
    if (m_window) m_window->close();
    return;
  }
  if (m_inUse) {
    m_dialState = kDialIdle;
    requestDial(0);
    return;
  }
  m_host.openDialUpOptions();
}

std::vector<std::string> DialManager::entryChoices() {
  std::vector<std::string> out{kNeverDialEntry};
  std::vector<std::string> entries;
  if (m_backend.entries(entries) == 0) out.insert(out.end(), entries.begin(), entries.end());
  return out;
}

void DialManager::windowClosed(DialingWindow& window) {
  if (m_window.get() != &window) return;
  m_closing = std::move(m_window);
  loop().post(this, kMsgReapWindow);
  if (!m_lineUp.isSet()) m_host.stopAllJobs(m_dialState == kDialFailed ? -14 : -2);
}

}  // namespace fw

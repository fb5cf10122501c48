#include "platform/dialup/simulated_dialup.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace fw {

SimulatedDialup::SimulatedDialup(MessageLoop& loop, DialScript script)
    : Window(loop), m_script(std::move(script)) {
  if (m_script.entries.empty()) m_script.entries.push_back("Simulated Dial-up");
}

SimulatedDialup::~SimulatedDialup() = default;

std::unique_ptr<SimulatedDialup> SimulatedDialup::fromEnvironment(MessageLoop& loop,
                                                                  std::string& error) {
  DialScript script;
  const char* path = std::getenv(kDialScriptEnv);
  if (path != nullptr && *path != '\0') {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      error = std::string("cannot read the dial-up script ") + path;
      return nullptr;
    }
    std::string text(kDialScriptMaxBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    std::string why;
    if (!parseDialScript(text, script, why)) {
      error = std::string("dial-up script ") + path + ": " + why;
      return nullptr;
    }
  }
  return std::make_unique<SimulatedDialup>(loop, std::move(script));
}

int SimulatedDialup::entries(std::vector<std::string>& out) {
  out = m_script.entries;
  return 0;
}

int SimulatedDialup::dial(const DialParams& params, DialStatusCallback callback,
                          DialHandle& handle) {
  handle = 0;
  m_lastParams = params;
  size_t n = static_cast<size_t>(m_dials++);
  DialScriptAttempt attempt;
  if (m_script.attempts.empty())
    attempt = defaultDialAttempt();
  else
    attempt = m_script.attempts[std::min(n, m_script.attempts.size() - 1)];
  if (attempt.refuse != 0) return attempt.refuse;
  handle = m_nextHandle++;
  Line& line = m_lines[handle];
  line.attempt = std::move(attempt);
  line.callback = std::move(callback);
  armNext(handle, line);
  return 0;
}

void SimulatedDialup::armNext(DialHandle handle, const Line& line) {
  if (line.next >= line.attempt.steps.size()) return;
  // The handle doubles as the timer id; handles stay far below INT_MAX.
  loop().setTimer(this, static_cast<int>(handle),
                  static_cast<int>(line.attempt.steps[line.next].afterMs));
}

LResult SimulatedDialup::handleMessage(MessageId msg, WParam w, LParam) {
  if (msg == kMsgTimer) play(static_cast<DialHandle>(w));
  return 0;
}

void SimulatedDialup::play(DialHandle handle) {
  loop().killTimer(this, static_cast<int>(handle));
  auto it = m_lines.find(handle);
  if (it == m_lines.end()) return;
  Line& line = it->second;
  if (line.next >= line.attempt.steps.size()) return;
  const DialScriptStep step = line.attempt.steps[line.next++];
  int error = 0;
  switch (step.kind) {
    case DialScriptStep::Kind::State:
      line.state = step.value;
      break;
    case DialScriptStep::Kind::Fail:
      error = step.value;
      break;
    case DialScriptStep::Kind::Connect:
      line.state = kDialStateConnected;
      break;
    case DialScriptStep::Kind::Drop:
      line.state = kDialStateDisconnected;
      break;
  }
  armNext(handle, line);
  // Last: the callback may hang this very line up.
  DialStatusCallback cb = line.callback;
  int state = line.state;
  if (cb) cb(handle, state, error);
}

void SimulatedDialup::hangUp(DialHandle handle) {
  auto it = m_lines.find(handle);
  if (it == m_lines.end()) return;
  ++m_hangUps;
  loop().killTimer(this, static_cast<int>(handle));
  m_lines.erase(it);
}

void SimulatedDialup::forgetAll() {
  for (const auto& [handle, line] : m_lines) loop().killTimer(this, static_cast<int>(handle));
  m_lines.clear();
}

int SimulatedDialup::connectState(DialHandle handle, int& state) {
  auto it = m_lines.find(handle);
  if (it == m_lines.end()) return kDialInvalidHandle;
  state = it->second.state;
  return 0;
}

bool SimulatedDialup::errorText(int error, std::string& text) {
  auto it = m_script.errorTexts.find(error);
  if (it != m_script.errorTexts.end()) {
    text = it->second;
    return true;
  }
  if (const char* common = dialCommonErrorText(error)) {
    text = common;
    return true;
  }
  return false;
}

}  // namespace fw

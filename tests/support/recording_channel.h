#pragma once
// A RoleChannel for tests: keeps every log line and answers control requests through
// a function the test sets (0 when none).

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/base/role_record.h"

namespace fw::test {

struct LoggedLine {
  int kind;
  std::string text;
};

class RecordingChannel final : public RoleChannel {
 public:
  std::function<intptr_t(RoleRecord&, uint32_t, intptr_t)> onControl;

  intptr_t control(RoleRecord& role, uint32_t code, intptr_t arg) override {
    return onControl ? onControl(role, code, arg) : 0;
  }
  void log(RoleRecord&, int kind, const std::string& text) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.push_back({kind, text});
  }
  std::vector<LoggedLine> lines() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
  }
  // True when some line of `kind` equals `text` exactly.
  bool has(int kind, const std::string& text) const {
    for (const auto& l : lines())
      if (l.kind == kind && l.text == text) return true;
    return false;
  }
  // True when any line contains `part` (to prove secrets never reach the log).
  bool anyContains(const std::string& part) const {
    for (const auto& l : lines())
      if (l.text.find(part) != std::string::npos) return true;
    return false;
  }
  // All lines as "kind:text\n", for failure messages.
  std::string dump() const {
    std::string s;
    for (const auto& l : lines()) s += std::to_string(l.kind) + ":" + l.text + "\n";
    return s;
  }

 private:
  mutable std::mutex m_mutex;
  std::vector<LoggedLine> m_lines;
};

}  // namespace fw::test

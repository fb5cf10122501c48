#include "platform/dialup/dial_script.h"

#include <charconv>

#include "platform/dialup/dialup.h"

namespace fw {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Takes the next word off `rest`.
std::string_view word(std::string_view& rest) {
  rest = trim(rest);
  size_t end = 0;
  while (end < rest.size() && !isBlank(rest[end])) ++end;
  std::string_view w = rest.substr(0, end);
  rest.remove_prefix(end);
  rest = trim(rest);
  return w;
}

template <class T>
bool number(std::string_view w, T& out, T lo, T hi) {
  T v{};
  auto [p, ec] = std::from_chars(w.data(), w.data() + w.size(), v);
  if (ec != std::errc() || p != w.data() + w.size() || v < lo || v > hi) return false;
  out = v;
  return true;
}

bool validStep(int state) {
  return state != kDialStateConnected && state != kDialStateDisconnected &&
         dialStateText(state) != nullptr;
}

}  // namespace

bool parseDialScript(std::string_view text, DialScript& script, std::string& error) {
  DialScript out;
  int lineNo = 0;
  auto fail = [&](const std::string& what) {
    error = "line " + std::to_string(lineNo) + ": " + what;
    return false;
  };
  if (text.size() > kDialScriptMaxBytes) {
    error = "the script is larger than " + std::to_string(kDialScriptMaxBytes) + " bytes";
    return false;
  }
  while (!text.empty()) {
    ++lineNo;
    size_t nl = text.find('\n');
    std::string_view line = trim(text.substr(0, nl));
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    if (line.empty() || line.front() == '#') continue;
    std::string_view rest = line;
    std::string_view directive = word(rest);
    if (directive == "entry") {
      if (rest.empty()) return fail("entry without a name");
      out.entries.emplace_back(rest);
    } else if (directive == "text") {
      int code = 0;
      if (!number(word(rest), code, 1, 0x7fffffff)) return fail("text needs an error code above 0");
      out.errorTexts[code] = std::string(rest);
    } else if (directive == "attempt") {
      DialScriptAttempt a;
      if (!rest.empty()) {
        if (word(rest) != "refuse" || !number(word(rest), a.refuse, 1, 0x7fffffff) || !rest.empty())
          return fail("expected 'attempt' or 'attempt refuse <code>'");
      }
      out.attempts.push_back(std::move(a));
    } else if (directive == "after") {
      if (out.attempts.empty()) return fail("'after' before the first 'attempt'");
      DialScriptStep s;
      if (!number(word(rest), s.afterMs, int64_t{0}, kDialScriptMaxDelayMs))
        return fail("'after' needs a delay in milliseconds");
      std::string_view what = word(rest);
      if (what == "state") {
        s.kind = DialScriptStep::Kind::State;
        if (!number(word(rest), s.value, 0, 0xffff) || !validStep(s.value))
          return fail("unknown dial state");
      } else if (what == "fail") {
        s.kind = DialScriptStep::Kind::Fail;
        if (!number(word(rest), s.value, 1, 0x7fffffff))
          return fail("fail needs an error code above 0");
      } else if (what == "connect") {
        s.kind = DialScriptStep::Kind::Connect;
      } else if (what == "drop") {
        s.kind = DialScriptStep::Kind::Drop;
      } else {
        return fail("expected state, fail, connect or drop after the delay");
      }
      if (!rest.empty()) return fail("unexpected text at the end");
      out.attempts.back().steps.push_back(s);
    } else {
      return fail("unknown directive '" + std::string(directive) + "'");
    }
  }
  script = std::move(out);
  return true;
}

DialScriptAttempt defaultDialAttempt() {
  DialScriptAttempt a;
  for (int state : {0, 1, 2, 3, 5, 14})
    a.steps.push_back({300, DialScriptStep::Kind::State, state});
  a.steps.push_back({300, DialScriptStep::Kind::Connect, 0});
  return a;
}

}  // namespace fw

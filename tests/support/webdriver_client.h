#pragma once
// A small WebDriver client for end-to-end tests: chromedriver started on a free port of
// 127.0.0.1, one browser session, and the handful of commands the tests use. Speaks plain
// HTTP/1.1 with JSON bodies; every call is bounded by a time-out.

#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "support/server_process.h"

namespace fw::test {

struct ChromiumOptions {
  std::string chromium = "/usr/bin/chromium";
  std::string userDataDir;
  std::string downloadDir;
  std::string extensionDir;  // loaded unpacked; empty: none
  // Environment the browser (and the native hosts it starts) gets on top of this process's.
  std::vector<std::pair<std::string, std::string>> env;
};

// Thread safety: one owner thread.
class ChromiumSession {
 public:
  ChromiumSession() = default;
  ~ChromiumSession();
  ChromiumSession(const ChromiumSession&) = delete;
  ChromiumSession& operator=(const ChromiumSession&) = delete;

  // Starts chromedriver and a headless Chromium session. False with `error` set.
  bool start(const std::string& chromedriver, const ChromiumOptions& options, std::string& error);
  // Ends the session and chromedriver. Safe to repeat.
  void stop();

  // One command; true when it answered without a WebDriver error. `value` gets the answer's
  // "value" (the error's message on failure).
  bool command(const std::string& method, const std::string& path, const nlohmann::json& body,
               nlohmann::json& value);

  bool navigate(const std::string& url);
  // Clicks the first element matching the CSS selector.
  bool click(const std::string& selector);
  // Runs `script` as the body of a function (execute/sync or, with `async`, execute/async
  // whose last argument is the callback). Returns the result; null on failure.
  nlohmann::json run(const std::string& script,
                     const nlohmann::json& args = nlohmann::json::array(), bool async = false);
  // Opens a new tab and makes it current; returns its handle ("" on failure).
  std::string newTab();
  bool switchTo(const std::string& handle);
  // Closes the current tab (switch to another one afterwards).
  bool closeCurrent();
  std::string currentHandle();
  const std::string& lastError() const { return m_lastError; }

 private:
  ServerProcess m_driver;
  int m_port = 0;
  std::string m_session;
  std::string m_lastError;
};

}  // namespace fw::test

#include "support/webdriver_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace fw::test {

namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

constexpr int kCommandTimeoutMs = 60000;

// One HTTP exchange with Connection: close. False when the connection failed or timed out.
bool httpExchange(int port, const std::string& method, const std::string& path,
                  const std::string& body, int& status, std::string& responseBody) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return false;
  }
  std::string request = method + " " + path +
                        " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                        "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
                        std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
  auto deadline = Clock::now() + std::chrono::milliseconds(kCommandTimeoutMs);
  size_t sent = 0;
  while (sent < request.size()) {
    ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) {
      ::close(fd);
      return false;
    }
    sent += static_cast<size_t>(n);
  }
  // The answer ends where its length says (chromedriver may keep the connection open).
  std::string response;
  char buf[16384];
  for (;;) {
    size_t headEnd = response.find("\r\n\r\n");
    if (headEnd != std::string::npos) {
      std::string head = response.substr(0, headEnd);
      for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      size_t lengthAt = head.find("content-length:");
      if (lengthAt != std::string::npos) {
        size_t length = std::strtoul(head.c_str() + lengthAt + 15, nullptr, 10);
        if (response.size() >= headEnd + 4 + length) {
          response.resize(headEnd + 4 + length);
          break;
        }
      } else if (head.find("transfer-encoding: chunked") != std::string::npos &&
                 response.find("\r\n0\r\n\r\n", headEnd) != std::string::npos) {
        break;
      }
    }
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    if (left <= 0) {
      ::close(fd);
      return false;
    }
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, left) <= 0) continue;
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n < 0) {
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    response.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  size_t headEnd = response.find("\r\n\r\n");
  if (headEnd == std::string::npos || response.compare(0, 9, "HTTP/1.1 ") != 0) return false;
  status = std::atoi(response.c_str() + 9);
  std::string head = response.substr(0, headEnd);
  std::string rest = response.substr(headEnd + 4);
  for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (head.find("transfer-encoding: chunked") == std::string::npos) {
    responseBody = rest;
    return true;
  }
  responseBody.clear();
  size_t at = 0;
  for (;;) {
    size_t lineEnd = rest.find("\r\n", at);
    if (lineEnd == std::string::npos) return false;
    size_t size = std::strtoul(rest.substr(at, lineEnd - at).c_str(), nullptr, 16);
    if (size == 0) return true;
    responseBody += rest.substr(lineEnd + 2, size);
    at = lineEnd + 2 + size + 2;
  }
}

}  // namespace

ChromiumSession::~ChromiumSession() {
  stop();
}

bool ChromiumSession::start(const std::string& chromedriver, const ChromiumOptions& o,
                            std::string& error) {
  m_port = freeTcpPort();
  std::vector<std::string> argv{"/usr/bin/env"};
  for (const auto& [name, value] : o.env) argv.push_back(name + "=" + value);
  argv.push_back(chromedriver);
  argv.push_back("--port=" + std::to_string(m_port));
  if (!m_driver.start(argv, o.userDataDir + ".chromedriver.log") || !waitForTcpPort(m_port)) {
    error = "chromedriver did not start: " + m_driver.describe();
    return false;
  }
  // Headless in its new mode, which loads extensions; no network beyond loopback.
  json args = {"--headless=new",
               "--no-sandbox",
               "--disable-gpu",
               "--disable-quic",
               "--disable-background-networking",
               "--disable-component-update",
               "--disable-sync",
               "--no-first-run",
               "--no-default-browser-check",
               "--user-data-dir=" + o.userDataDir};
  if (!o.extensionDir.empty()) args.push_back("--load-extension=" + o.extensionDir);
  json caps = {{"capabilities",
                {{"alwaysMatch",
                  {{"goog:chromeOptions",
                    {{"binary", o.chromium},
                     {"args", args},
                     {"prefs",
                      {{"download.default_directory", o.downloadDir},
                       {"download.prompt_for_download", false},
                       {"safebrowsing.enabled", false}}}}}}}}}};
  json value;
  if (!command("POST", "/session", caps, value) || !value.contains("sessionId")) {
    error = "no browser session: " + value.dump();
    return false;
  }
  m_session = value["sessionId"].get<std::string>();
  return true;
}

void ChromiumSession::stop() {
  if (!m_session.empty()) {
    json value;
    command("DELETE", "/session/" + m_session, nullptr, value);
    m_session.clear();
  }
  m_driver.stop();
}

bool ChromiumSession::command(const std::string& method, const std::string& path, const json& body,
                              json& value) {
  int status = 0;
  std::string text;
  std::string payload = body.is_null() ? std::string() : body.dump();
  if (method == "POST" && payload.empty()) payload = "{}";
  if (!httpExchange(m_port, method, path, payload, status, text)) {
    m_lastError = method + " " + path + ": no answer from chromedriver";
    value = m_lastError;
    return false;
  }
  json answer = json::parse(text, nullptr, false);
  value = answer.is_object() && answer.contains("value") ? answer["value"] : json();
  if (status != 200) {
    m_lastError = method + " " + path + ": " + std::to_string(status) + " " + text.substr(0, 500);
    return false;
  }
  return true;
}

bool ChromiumSession::navigate(const std::string& url) {
  json value;
  return command("POST", "/session/" + m_session + "/url", {{"url", url}}, value);
}

bool ChromiumSession::click(const std::string& selector) {
  json value;
  if (!command("POST", "/session/" + m_session + "/element",
               {{"using", "css selector"}, {"value", selector}}, value) ||
      !value.is_object() || value.empty())
    return false;
  std::string element = value.begin().value().get<std::string>();
  return command("POST", "/session/" + m_session + "/element/" + element + "/click", json::object(),
                 value);
}

json ChromiumSession::run(const std::string& script, const json& args, bool async) {
  json value;
  if (!command("POST", "/session/" + m_session + (async ? "/execute/async" : "/execute/sync"),
               {{"script", script}, {"args", args}}, value))
    return nullptr;
  return value;
}

std::string ChromiumSession::newTab() {
  json value;
  if (!command("POST", "/session/" + m_session + "/window/new", {{"type", "tab"}}, value) ||
      !value.contains("handle"))
    return "";
  std::string handle = value["handle"].get<std::string>();
  return switchTo(handle) ? handle : "";
}

bool ChromiumSession::switchTo(const std::string& handle) {
  json value;
  return command("POST", "/session/" + m_session + "/window", {{"handle", handle}}, value);
}

bool ChromiumSession::closeCurrent() {
  json value;
  return command("DELETE", "/session/" + m_session + "/window", nullptr, value);
}

std::string ChromiumSession::currentHandle() {
  json value;
  if (!command("GET", "/session/" + m_session + "/window", nullptr, value) || !value.is_string())
    return "";
  return value.get<std::string>();
}

}  // namespace fw::test

#pragma once
// A scripted FTP peer for unit tests: an FtpLink whose incoming bytes come from a script
// (fixed chunks, or replies produced per command line), and a RoleChannel that records
// the Role's log and control requests. Waiting spends time on a FakeClock only.

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/base/role_record.h"
#include "engine/ftp/ftp_link.h"
#include "platform/fake_clock.h"

namespace fw::test {

class ScriptedLink : public FtpLink {
 public:
  explicit ScriptedLink(FakeClock& clock) : m_clock(clock) {}

  // Each chunk is delivered by one receive().
  void push(const std::string& chunk) { m_chunks.push_back(chunk); }
  // After the script runs out: report the peer's close instead of silence.
  void closeAtEnd() { m_closeAtEnd = true; }
  void failWith(int err) { m_failErr = err; }
  // Called for every complete command line sent; its answer is queued as one chunk.
  std::function<std::string(const std::string&)> responder;

  std::vector<std::string> lines;  // command lines sent, without "\r\n"
  std::string sent;
  int timedWaits = 0;  // waitReadable calls that may wait, and those that only look
  int polls = 0;
  std::string peer = "127.0.0.1";
  std::string local = "127.0.0.1";

  long sendAll(const char* data, size_t len, int& errorOut) override {
    if (m_failErr) {
      errorOut = m_failErr;
      return -1;
    }
    sent.append(data, len);
    m_partial.append(data, len);
    size_t e;
    while ((e = m_partial.find("\r\n")) != std::string::npos) {
      std::string line = m_partial.substr(0, e);
      m_partial.erase(0, e + 2);
      lines.push_back(line);
      if (responder) {
        std::string reply = responder(line);
        if (!reply.empty()) m_chunks.push_back(reply);
      }
    }
    return static_cast<long>(len);
  }
  int waitReadable(int ms, int& errorOut) override {
    ++(ms > 0 ? timedWaits : polls);
    if (m_failErr) {
      errorOut = m_failErr;
      return -1;
    }
    if (!m_chunks.empty() || m_closeAtEnd) return 1;
    m_clock.advanceMs(ms);
    return 0;
  }
  long receive(char* buf, size_t len, int&) override {
    if (m_chunks.empty()) return 0;
    std::string& c = m_chunks.front();
    size_t n = std::min(len, c.size());
    std::copy(c.begin(), c.begin() + static_cast<long>(n), buf);
    if (n == c.size())
      m_chunks.pop_front();
    else
      c.erase(0, n);
    return static_cast<long>(n);
  }
  std::string peerAddress() const override { return peer; }
  std::string localAddress() const override { return local; }

 private:
  FakeClock& m_clock;
  std::deque<std::string> m_chunks;
  std::string m_partial;
  bool m_closeAtEnd = false;
  int m_failErr = 0;
};

class RecordingChannel : public RoleChannel {
 public:
  std::vector<std::pair<int, std::string>> logLines;
  std::vector<std::pair<uint32_t, intptr_t>> requests;
  std::map<uint32_t, intptr_t> answers;  // result per command code (0 when absent)
  std::function<intptr_t(RoleRecord&, uint32_t, intptr_t)> handler;

  intptr_t control(RoleRecord& role, uint32_t code, intptr_t arg) override {
    requests.emplace_back(code, arg);
    if (handler) return handler(role, code, arg);
    auto it = answers.find(code);
    return it == answers.end() ? 0 : it->second;
  }
  void log(RoleRecord&, int kind, const std::string& text) override {
    logLines.emplace_back(kind, text);
  }
  bool logged(int kind, const std::string& text) const {
    for (const auto& l : logLines)
      if (l.first == kind && l.second == text) return true;
    return false;
  }
  bool anyLogContains(const std::string& part) const {
    for (const auto& l : logLines)
      if (l.second.find(part) != std::string::npos) return true;
    return false;
  }
  int count(uint32_t code) const {
    int n = 0;
    for (const auto& r : requests) n += r.first == code;
    return n;
  }
};

}  // namespace fw::test

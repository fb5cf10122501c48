#include "jobs/update_check.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include "engine/base/control_codes.h"
#include "jobs/update_response.h"
#include "jobs/update_window.h"
#include "platform/socket.h"
#include "platform/socket_io.h"

namespace fw {

namespace {

std::string hostWithPort(const UpdateEndpoint& e) {
  return e.port == 80 ? e.host : e.host + ":" + std::to_string(e.port);
}

// Host and path go into the request as they are: a blank or control byte could end a
// line early.
bool plainText(const std::string& s) {
  for (unsigned char c : s) {
    if (c <= 0x20 || c == 0x7f) return false;
  }
  return !s.empty();
}

bool resolveIPv4(const std::string& host, std::string& address) {
  if (isDottedIPv4(host)) {
    address = host;
    return true;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || list == nullptr) return false;
  char text[INET_ADDRSTRLEN] = {};
  auto* in = reinterpret_cast<sockaddr_in*>(list->ai_addr);
  bool ok = inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr;
  freeaddrinfo(list);
  if (ok) address = text;
  return ok;
}

}  // namespace

std::string updateRequest(const UpdateEndpoint& e) {
  std::string host = hostWithPort(e);
  std::string folder = e.path.substr(0, e.path.rfind('/'));
  return "GET " + e.path + " HTTP/1.1\r\n" + "Host: " + host + "\r\n" + "Accept: */* \r\n" +
         "Referer: http://" + host + folder + "\r\n" +
         "User-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\r\n" +
         "Pragma: no-cache\r\n" + "Cache-Control: no-cache\r\n" + "Connection: close\r\n" + "\r\n";
}

int runUpdateCheck(const UpdateEndpoint& endpoint, Clock& clock, Event& stop) {
  if (!plainText(endpoint.host) || !plainText(endpoint.path) || endpoint.path.front() != '/')
    return kUpdateNoInfo;
  int fd = kInvalidSocket;
  int err = 0;
  if (createStreamSocket(fd, err) != SocketSetup::Ok) return kUpdateNoInfo;
  std::string address;
  int result = kUpdateNoInfo;
  if (resolveIPv4(endpoint.host, address) &&
      connectSocket(fd, address, endpoint.port, clock, stop, kUpdateConnectTimeoutMs, err) == 1) {
    const std::string request = updateRequest(endpoint);
    int sent = sendAll(err, fd, request.data(), request.size(), clock, stop, kUpdateReadTimeoutMs);
    if (sent == kNetStopped) {
      result = kUpdateNoInfo;
    } else if (sent != static_cast<int>(request.size())) {
      result = kUpdateSendFailed;
    } else {
      std::string bytes(kUpdateReadMax, '\0');
      size_t have = 0;
      UpdateHead head;
      int headState = 0;
      result = kUpdateReadFailed;
      while (have < bytes.size()) {
        int n = recvSome(err, fd, bytes.data() + have, bytes.size() - have, clock, stop,
                         kUpdateReadTimeoutMs);
        if (n == kNetStopped) {
          result = kUpdateNoInfo;
          break;
        }
        bool closed = n == -10;
        if (n > 0) have += static_cast<size_t>(n);
        if (n <= 0 && !closed) break;
        std::string_view got(bytes.data(), have);
        if (headState == 0) headState = parseUpdateHead(got, head);
        if (headState < 0) break;
        bool bodyDone = headState == 1 && head.contentLength >= 0 &&
                        have - head.bodyStart >= static_cast<size_t>(head.contentLength);
        if (closed || bodyDone || have == bytes.size()) {
          if (headState != 1) break;
          result = head.status != 200
                       ? kUpdateSendFailed
                       : updateResultFromBody(got.substr(head.bodyStart, have - head.bodyStart));
          break;
        }
      }
    }
  }
  closeSocket(fd);
  return result;
}

WParam updateNoteFor(int result) {
  if (result == kUpdateNewer) return kNoteUpdateNewer;
  if (result == kUpdateLatest) return kNoteUpdateLatest;
  return kNoteUpdateFailed;
}

UpdateChecker::UpdateChecker(MessageLoop& loop, UpdateEndpoint endpoint, Clock& netClock)
    : Window(loop), m_endpoint(std::move(endpoint)), m_netClock(netClock) {}

UpdateChecker::~UpdateChecker() {
  m_stop.set();
  if (m_thread.joinable()) m_thread.join();
  if (m_window != nullptr) m_window->m_checker = nullptr;
}

bool UpdateChecker::start() {
  if (m_thread.joinable()) return true;
  if (!configured()) return false;
  m_stop.reset();
  const uint64_t self = id();
  MessageLoop* loop = &this->loop();
  m_thread = std::thread([this, self, loop, endpoint = m_endpoint] {
    int result = runUpdateCheck(endpoint, m_netClock, m_stop);
    loop->postTo(self, kMsgControl, updateNoteFor(result), result);
  });
  return true;
}

void UpdateChecker::startAutomatic(bool enabled) {
  if (m_automaticDone) return;
  m_automaticDone = true;
  if (enabled) start();
}

void UpdateChecker::detach(UpdateWindow* window) {
  if (m_window == window) m_window = nullptr;
}

LResult UpdateChecker::handleMessage(MessageId msg, WParam w, LParam l) {
  if (msg != kMsgControl) return 0;
  if (m_thread.joinable()) m_thread.join();
  m_lastResult = static_cast<int>(l);
  if (m_window != nullptr)
    m_window->showResult(w);
  else if (w == kNoteUpdateNewer && onNewerVersion)
    onNewerVersion();
  return 0;
}

}  // namespace fw

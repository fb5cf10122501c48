#include "engine/net/tls_session.h"

#include <poll.h>

#include <cerrno>

#include "engine/base/control_codes.h"
#include "engine/net/role_net.h"
#include "platform/socket.h"
#include "platform/socket_io.h"

namespace fw {

namespace {
// OpenSSL's constants used here.
constexpr int kVerifyNone = 0;
constexpr int kVerifyPeer = 1;
constexpr int kCtrlSetTlsextHostname = 55;
constexpr long kTlsextNametypeHostName = 0;
constexpr long kX509Ok = 0;
constexpr int kErrorWantRead = 2;
constexpr int kErrorWantWrite = 3;
constexpr int kErrorSyscall = 5;
constexpr int kErrorZeroReturn = 6;
}  // namespace

int TlsSession::waitFor(int ret) {
  const TlsFunctions& f = tlsFunctions();
  if (!f.SSL_get_error) return 0;
  int e = f.SSL_get_error(m_ssl, ret);
  if (e != kErrorWantRead && e != kErrorWantWrite) return 0;
  int err = 0;
  SocketWait w = waitSocket(m_socket, e == kErrorWantRead ? POLLIN : POLLOUT, roleClock(m_role),
                            m_role.stopEvent, m_dataOutMs, err);
  switch (w) {
    case SocketWait::Ready:
      return 1;
    case SocketWait::TimedOut:
      return kResultTimeout;
    case SocketWait::Stopped:
      return m_role.outcome.load();
    default:
      m_role.lastSocketError = err;
      return 0;
  }
}

int TlsSession::open(int socket, const std::string& host, const TlsOptions& options) {
  m_role.channel->log(m_role, kLogCommand, "Establishing SSL session");
  close();
  const TlsFunctions& f = tlsFunctions();
  m_socket = socket;
  m_dataOutMs = int64_t{options.dataOutSec} * 1000;
  if (!f.SSLv23_client_method || !f.SSL_CTX_new || !f.SSL_CTX_set_verify || !f.SSL_new ||
      !f.SSL_set_fd || !f.SSL_connect || !f.SSL_get_error)
    return kResultTls;
  // Verifying needs these too; without them no certificate could be checked.
  if (options.verify &&
      (!f.SSL_CTX_set_default_verify_paths || !f.SSL_set1_host || !f.SSL_get_verify_result))
    return kResultTls;

  m_method = f.SSLv23_client_method();
  if (!m_method) return kResultTls;
  m_context = f.SSL_CTX_new(m_method);
  if (!m_context) return kResultTls;
  if (options.verify) {
    f.SSL_CTX_set_default_verify_paths(m_context);
    if ((!options.caFile.empty() || !options.caDir.empty()) && f.SSL_CTX_load_verify_locations)
      f.SSL_CTX_load_verify_locations(m_context,
                                      options.caFile.empty() ? nullptr : options.caFile.c_str(),
                                      options.caDir.empty() ? nullptr : options.caDir.c_str());
  }
  f.SSL_CTX_set_verify(m_context, options.verify ? kVerifyPeer : kVerifyNone, nullptr);
  m_ssl = f.SSL_new(m_context);
  if (!m_ssl) return kResultTls;
  // Servers hosting several names pick the certificate (or refuse) by the sent name;
  // an address is not a name and is not sent.
  if (f.SSL_ctrl && !isDottedIPv4(host) && !isNumericIPv6(host))
    f.SSL_ctrl(m_ssl, kCtrlSetTlsextHostname, kTlsextNametypeHostName,
               const_cast<char*>(host.c_str()));
  if (options.verify && f.SSL_set1_host(m_ssl, host.c_str()) != 1) return kResultTls;
  if (f.SSL_set_fd(m_ssl, socket) != 1) return kResultTls;

  // Bounded: every pass that does not return waited on the Role's clock first.
  for (;;) {
    int r = f.SSL_connect(m_ssl);
    if (r == 1) return 1;
    int w = waitFor(r);
    if (w == 1) continue;
    if (w != 0) return w;
    break;
  }
  if (options.verify) {
    long v = f.SSL_get_verify_result(m_ssl);
    if (v != kX509Ok) {
      const char* why =
          f.X509_verify_cert_error_string ? f.X509_verify_cert_error_string(v) : nullptr;
      m_role.channel->log(m_role, kLogError,
                          why ? why : "certificate verify failed (" + std::to_string(v) + ")");
      return kResultTls;
    }
  }
  m_role.channel->log(m_role, kLogServer, "change validate mode !");
  return kTlsHandshakeFailed;
}

int TlsSession::write(const void* data, size_t count) {
  const TlsFunctions& f = tlsFunctions();
  if (!m_ssl || !f.SSL_write) return kResultTls;
  const auto* p = static_cast<const uint8_t*>(data);
  size_t sent = 0;
  while (sent < count) {
    int r = f.SSL_write(m_ssl, p + sent, static_cast<int>(count - sent));
    if (r > 0) {
      sent += static_cast<size_t>(r);
      continue;
    }
    int w = waitFor(r);
    if (w == 1) continue;
    return w == 0 ? kResultTls : w;
  }
  return static_cast<int>(count);
}

int TlsSession::waitReadable(int ms) {
  if (pending()) return 1;
  pollfd p{m_socket, POLLIN, 0};
  int r;
  do {
    r = ::poll(&p, 1, ms);
  } while (r < 0 && errno == EINTR);
  if (r < 0) {
    m_role.lastSocketError = errno;
    return -1;
  }
  return r > 0 ? 1 : 0;
}

bool TlsSession::pending() const {
  const TlsFunctions& f = tlsFunctions();
  return m_ssl && f.SSL_pending && f.SSL_pending(m_ssl) > 0;
}

int TlsSession::readOnce(uint8_t* dst, int max, int* error, int* want) {
  const TlsFunctions& f = tlsFunctions();
  if (!m_ssl || !f.SSL_read) return -1;
  int r = f.SSL_read(m_ssl, dst, max);
  if (r > 0) return r;
  int e = f.SSL_get_error ? f.SSL_get_error(m_ssl, r) : 0;
  // A peer that closes without the TLS goodbye ends the stream all the same.
  if (e == kErrorZeroReturn || (e == kErrorSyscall && r == 0)) return 0;
  if (e == kErrorWantRead || e == kErrorWantWrite) {
    *want = e;
    return kReadWouldBlock;
  }
  if (error && e == kErrorSyscall) *error = errno;
  return -1;
}

int TlsSession::readNow(uint8_t* dst, int max, int* error) {
  int want = 0;
  int r = readOnce(dst, max, error, &want);
  // Wanting to write is the rare renegotiation: read() waits for the socket to take it.
  if (r == kReadWouldBlock && want == kErrorWantWrite) return read(dst, max, error);
  return r;
}

int TlsSession::read(uint8_t* dst, int max, int* error) {
  Clock& clock = roleClock(m_role);
  const int64_t start = clock.monotonicMs();
  // Bounded by "DataOut" on the Role's clock.
  for (;;) {
    int e = 0;
    int r = readOnce(dst, max, error, &e);
    if (r != kReadWouldBlock) return r;
    if (m_role.stopEvent.isSet() || clock.monotonicMs() - start >= m_dataOutMs) {
      if (error) *error = m_role.stopEvent.isSet() ? EINTR : ETIMEDOUT;
      return -1;
    }
    pollfd p{m_socket, static_cast<short>(e == kErrorWantRead ? POLLIN : POLLOUT), 0};
    const bool simulated = dynamic_cast<SystemClock*>(&clock) == nullptr;
    if (::poll(&p, 1, simulated ? 0 : kNetSliceMs) == 0 && simulated) clock.sleepMs(kNetSliceMs);
  }
}

int TlsSession::close(bool strict) {
  const TlsFunctions& f = tlsFunctions();
  if (strict && ((m_ssl && (!f.SSL_shutdown || !f.SSL_free)) || (m_context && !f.SSL_CTX_free)))
    return kResultTls;
  if (m_ssl) {
    if (f.SSL_shutdown) f.SSL_shutdown(m_ssl);  // one try: a non-blocking goodbye
    if (f.SSL_free) f.SSL_free(m_ssl);
    m_ssl = nullptr;
  }
  if (m_context) {
    if (f.SSL_CTX_free) f.SSL_CTX_free(m_context);
    m_context = nullptr;
  }
  m_method = nullptr;
  return 1;
}

}  // namespace fw

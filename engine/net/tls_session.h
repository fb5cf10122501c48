#pragma once
// One Role's TLS session over its connected socket: opened after the connection (and
// any proxy tunnel) is made, used to send the request and as the byte source of the
// response, closed before the next socket and at the Role's end.
//
// The socket stays non-blocking: the handshake, writes and reads wait in 50 ms slices
// on the Role's clock and stop event, so a stop request is honoured within one slice.
// The session sends the server name (SNI) and, unless turned off, verifies the
// server's certificate chain against the system trust store and its host name.
// Used from the owning Role's thread only.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/base/control_codes.h"
#include "engine/base/role_record.h"
#include "engine/net/byte_source.h"
#include "engine/net/tls_functions.h"

namespace fw {

inline constexpr int kTlsHandshakeFailed = 177;  // retried like a server reply code

struct TlsOptions {
  bool verify = true;   // "TlsVerify" (key "Protocol"), default 1
  std::string caFile;   // extra trusted certificates (PEM file), besides the system store
  std::string caDir;    // extra trusted certificate folder (hashed names)
  int dataOutSec = 90;  // "DataOut": each wait of the handshake, a write or a read
};

class TlsSession final : public ByteSource {
 public:
  explicit TlsSession(RoleRecord& role) : m_role(role) {}
  ~TlsSession() override { close(); }
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  // Logs "Establishing SSL session" (kind 1) and makes the session over `socket` for
  // server `host`. Results: 1 ready; -13 a needed function is not bound or an object
  // could not be made, or the certificate was refused (its reason logged, kind 2, and
  // not retried); 177 any other failed handshake ("change validate mode !", kind 3);
  // -9 the peer stalled for "DataOut"; the Role's stop code when stopped.
  int open(int socket, const std::string& host, const TlsOptions& options);

  // Sends all `count` bytes: `count`; -13 failure or no session; -9; the stop code.
  int write(const void* data, size_t count);

  // ByteSource: readable when the session holds decrypted bytes or the socket is.
  int waitReadable(int ms) override;
  // > 0 bytes; 0 the peer closed; -1 failure (errno in *error when known). A record
  // that is still incomplete is waited for, at most "DataOut", without consuming a stop
  // request: a stop ends the wait with -1 (EINTR) and stays signalled for the caller.
  int read(uint8_t* dst, int max, int* error) override;
  // As read(), but a record that is still incomplete (nothing decrypted to hand out) gives
  // kReadWouldBlock at once: the caller waits for the socket in its own slices.
  int readNow(uint8_t* dst, int max, int* error) override;
  bool emptiedBy(int, int) const override { return false; }
  bool pending() const override;
  int failureResult() const override { return kResultTls; }
  int descriptor() const override { return m_socket; }

  // Shuts the session down and frees it and its context. With `strict`, a needed
  // function that is not bound gives -13 (the objects are then left alone); otherwise
  // missing functions are skipped. 1 otherwise. The socket is the caller's to close.
  int close(bool strict = false);

  bool active() const { return m_ssl != nullptr; }

 private:
  // Waits as SSL_get_error asks after result `ret`: 1 go on, 0 not a wait (failure),
  // else -9 or the stop code.
  int waitFor(int ret);
  // One SSL_read: > 0 bytes, 0 the peer closed, -1 failure (errno in *error when known),
  // or the SSL error code (want read / want write) in *want with -2.
  int readOnce(uint8_t* dst, int max, int* error, int* want);

  RoleRecord& m_role;
  int m_socket = -1;
  int64_t m_dataOutMs = 90000;
  SslMethod* m_method = nullptr;
  SslContext* m_context = nullptr;
  Ssl* m_ssl = nullptr;
};

}  // namespace fw

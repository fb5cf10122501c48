#pragma once
// The TLS library bound at run time: libssl and libcrypto are opened with dlopen and
// each function looked up with dlsym into one process-wide table. The program never
// links them; without them HTTP and FTP work and only HTTPS fails.
//
// Thread safety: loadTlsLibraries and unloadTlsLibraries run on the main thread while
// no Role exists; tlsFunctions() is read-only for everyone else.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace fw {

// OpenSSL's objects stay opaque here.
using SslMethod = const void;
using SslContext = void;
using Ssl = void;

struct TlsFunctions {
  void* sslLibrary = nullptr;
  void* cryptoLibrary = nullptr;

  // "SSL_library_init" or, in OpenSSL 3, "OPENSSL_init_ssl" (called with 0, nullptr).
  int (*SSL_library_init)(uint64_t options, const void* settings) = nullptr;
  // "SSLv23_client_method" or, in OpenSSL 3, "TLS_client_method".
  SslMethod* (*SSLv23_client_method)() = nullptr;
  SslMethod* (*TLSv1_client_method)() = nullptr;
  SslContext* (*SSL_CTX_new)(SslMethod*) = nullptr;
  void (*SSL_CTX_set_verify)(SslContext*, int mode, void* callback) = nullptr;
  Ssl* (*SSL_new)(SslContext*) = nullptr;
  int (*SSL_set_fd)(Ssl*, int fd) = nullptr;
  int (*SSL_connect)(Ssl*) = nullptr;
  int (*SSL_write)(Ssl*, const void*, int) = nullptr;
  int (*SSL_read)(Ssl*, void*, int) = nullptr;
  int (*SSL_shutdown)(Ssl*) = nullptr;
  void (*SSL_free)(Ssl*) = nullptr;
  void (*SSL_CTX_free)(SslContext*) = nullptr;
  void (*RAND_seed)(const void*, int) = nullptr;  // libcrypto

  // Server name indication, certificate verification and non-blocking I/O.
  long (*SSL_ctrl)(Ssl*, int cmd, long larg, void* parg) = nullptr;
  int (*SSL_CTX_set_default_verify_paths)(SslContext*) = nullptr;
  int (*SSL_CTX_load_verify_locations)(SslContext*, const char* file, const char* dir) = nullptr;
  int (*SSL_set1_host)(Ssl*, const char* host) = nullptr;
  long (*SSL_get_verify_result)(const Ssl*) = nullptr;
  int (*SSL_get_error)(const Ssl*, int ret) = nullptr;
  int (*SSL_pending)(const Ssl*) = nullptr;
  const char* (*X509_verify_cert_error_string)(long) = nullptr;  // libcrypto
};

// Library names tried in order; tests give names that do not exist to simulate a
// machine without the TLS library.
struct TlsLibraryNames {
  std::vector<std::string> ssl{"libssl.so.3", "libssl.so"};
  std::vector<std::string> crypto{"libcrypto.so.3", "libcrypto.so"};
};

// The table; every entry may be empty.
const TlsFunctions& tlsFunctions();

// Fills the table once: opens the ssl library and looks its functions up, calls the
// initialiser when found, then opens the crypto library for RAND_seed and the error
// texts. A second call while loaded changes nothing. True when the ssl library loaded.
bool loadTlsLibraries(const TlsLibraryNames& names = TlsLibraryNames{});

// Closes the crypto library, then the ssl library, and empties the table.
void unloadTlsLibraries();

// Role start: seeds the runtime generator with the clock's time, draws 100 values and
// hands their 400 bytes to RAND_seed when it is bound. Any Role thread.
void seedTlsRandom(Clock& clock);

}  // namespace fw

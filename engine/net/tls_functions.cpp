#include "engine/net/tls_functions.h"

#include <dlfcn.h>

#include <cstdlib>

namespace fw {

namespace {
TlsFunctions g_tls;

void* openFirst(const std::vector<std::string>& names) {
  for (const auto& n : names)
    if (void* h = ::dlopen(n.c_str(), RTLD_NOW | RTLD_LOCAL)) return h;
  return nullptr;
}

// Looks `names` up in order (older name first) into `slot`.
template <typename Fn>
void bind(void* lib, Fn& slot, std::initializer_list<const char*> names) {
  for (const char* n : names) {
    if (void* p = ::dlsym(lib, n)) {
      slot = reinterpret_cast<Fn>(p);
      return;
    }
  }
}
}  // namespace

const TlsFunctions& tlsFunctions() {
  return g_tls;
}

bool loadTlsLibraries(const TlsLibraryNames& names) {
  if (g_tls.sslLibrary != nullptr) return true;
  TlsFunctions t;
  t.sslLibrary = openFirst(names.ssl);
  if (t.sslLibrary != nullptr) {
    void* s = t.sslLibrary;
    bind(s, t.SSL_library_init, {"SSL_library_init", "OPENSSL_init_ssl"});
    bind(s, t.SSLv23_client_method, {"SSLv23_client_method", "TLS_client_method"});
    bind(s, t.TLSv1_client_method, {"TLSv1_client_method"});
    bind(s, t.SSL_CTX_new, {"SSL_CTX_new"});
    bind(s, t.SSL_CTX_set_verify, {"SSL_CTX_set_verify"});
    bind(s, t.SSL_new, {"SSL_new"});
    bind(s, t.SSL_set_fd, {"SSL_set_fd"});
    bind(s, t.SSL_connect, {"SSL_connect"});
    bind(s, t.SSL_write, {"SSL_write"});
    bind(s, t.SSL_read, {"SSL_read"});
    bind(s, t.SSL_shutdown, {"SSL_shutdown"});
    bind(s, t.SSL_free, {"SSL_free"});
    bind(s, t.SSL_CTX_free, {"SSL_CTX_free"});
    bind(s, t.SSL_ctrl, {"SSL_ctrl"});
    bind(s, t.SSL_CTX_set_default_verify_paths, {"SSL_CTX_set_default_verify_paths"});
    bind(s, t.SSL_CTX_load_verify_locations, {"SSL_CTX_load_verify_locations"});
    bind(s, t.SSL_set1_host, {"SSL_set1_host"});
    bind(s, t.SSL_get_verify_result, {"SSL_get_verify_result"});
    bind(s, t.SSL_get_error, {"SSL_get_error"});
    bind(s, t.SSL_pending, {"SSL_pending"});
    if (t.SSL_library_init) t.SSL_library_init(0, nullptr);
    t.cryptoLibrary = openFirst(names.crypto);
    if (t.cryptoLibrary != nullptr) {
      bind(t.cryptoLibrary, t.RAND_seed, {"RAND_seed"});
      bind(t.cryptoLibrary, t.X509_verify_cert_error_string, {"X509_verify_cert_error_string"});
    }
  }
  g_tls = t;
  return g_tls.sslLibrary != nullptr;
}

void unloadTlsLibraries() {
  if (g_tls.cryptoLibrary) ::dlclose(g_tls.cryptoLibrary);
  if (g_tls.sslLibrary) ::dlclose(g_tls.sslLibrary);
  g_tls = TlsFunctions{};
}

void seedTlsRandom(Clock& clock) {
  // A generator of our own instead of srand/rand: Roles seed concurrently.
  unsigned int state = static_cast<unsigned int>(clock.wallSeconds());
  int values[100];
  for (int& v : values) v = ::rand_r(&state);
  if (g_tls.RAND_seed) g_tls.RAND_seed(values, static_cast<int>(sizeof values));
}

}  // namespace fw

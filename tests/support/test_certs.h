#pragma once
// Certificates for TLS tests, made with the openssl command line into a folder: a test
// CA, a valid server certificate signed by it for "localhost", 127.0.0.1 and ::1, an
// expired one, and one issued for another host name.

#include <string>

namespace fw::test {

struct CertPair {
  std::string cert;  // PEM path
  std::string key;   // PEM path
};

struct TestCertificates {
  std::string caCert;  // trust this to accept `valid`
  CertPair valid;      // CN/SAN localhost + IP 127.0.0.1 and ::1, 2 days
  CertPair expired;    // same names, already expired
  CertPair otherHost;  // SAN other.example.invalid only
  std::string error;   // why making them failed; empty on success
};

// Makes all certificates under `dir` with `openssl` (its path given). Check `.error`.
TestCertificates makeTestCertificates(const std::string& dir, const std::string& opensslPath);

// Runs a command line through /bin/sh; returns its exit status (-1 when it could not run).
int runShell(const std::string& command);

}  // namespace fw::test

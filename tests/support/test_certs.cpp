#include "support/test_certs.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>

namespace fw::test {

int runShell(const std::string& command) {
  int st = std::system(command.c_str());
  if (st == -1 || !WIFEXITED(st)) return -1;
  return WEXITSTATUS(st);
}

namespace {
bool makeLeaf(const std::string& dir, const std::string& ossl, const std::string& name,
              const std::string& cn, const std::string& san, int days, CertPair& out) {
  out.cert = dir + "/" + name + ".pem";
  out.key = dir + "/" + name + ".key";
  std::string ext = dir + "/" + name + ".ext";
  std::ofstream(ext) << "subjectAltName=" << san << "\n"
                     << "basicConstraints=CA:FALSE\n"
                     << "extendedKeyUsage=serverAuth\n";
  std::string csr = dir + "/" + name + ".csr";
  std::string q = " >>'" + dir + "/openssl.log' 2>&1";
  // A negative -days gives a certificate whose validity already ended.
  return runShell("'" + ossl + "' req -new -newkey rsa:2048 -nodes -keyout '" + out.key +
                  "' -out '" + csr + "' -subj '/CN=" + cn + "'" + q) == 0 &&
         runShell("'" + ossl + "' x509 -req -in '" + csr + "' -CA '" + dir + "/ca.pem' -CAkey '" +
                  dir + "/ca.key' -CAcreateserial -days " + std::to_string(days) + " -extfile '" +
                  ext + "' -out '" + out.cert + "'" + q) == 0;
}
}  // namespace

TestCertificates makeTestCertificates(const std::string& dir, const std::string& ossl) {
  TestCertificates c;
  c.caCert = dir + "/ca.pem";
  std::string q = " >>'" + dir + "/openssl.log' 2>&1";
  if (runShell("'" + ossl + "' req -x509 -newkey rsa:2048 -nodes -keyout '" + dir +
               "/ca.key' -out '" + c.caCert +
               "' -days 3 -subj '/CN=Fetchwright Test CA' -addext "
               "'basicConstraints=critical,CA:TRUE' -addext "
               "'keyUsage=critical,keyCertSign,cRLSign'" +
               q) != 0) {
    c.error = "making the CA failed, see " + dir + "/openssl.log";
    return c;
  }
  if (!makeLeaf(dir, ossl, "valid", "localhost", "DNS:localhost,IP:127.0.0.1,IP:::1", 2, c.valid) ||
      !makeLeaf(dir, ossl, "expired", "localhost", "DNS:localhost,IP:127.0.0.1", -1, c.expired) ||
      !makeLeaf(dir, ossl, "other", "other.example.invalid", "DNS:other.example.invalid", 2,
                c.otherHost)) {
    c.error = "making a server certificate failed, see " + dir + "/openssl.log";
  }
  return c;
}

}  // namespace fw::test

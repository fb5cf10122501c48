// URL parsing, redirect resolution and file-name cleaning on arbitrary text.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/url/host_text.h"
#include "engine/url/location_resolve.h"
#include "engine/url/percent_decode.h"
#include "engine/url/safe_file_name.h"
#include "engine/url/url_parse.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

void checkFileName(const std::string& n) {
  check(!n.empty() && n.size() <= fw::kMaxFileNameBytes);
  check(n != "." && n != "..");
  for (unsigned char c : n) check(c >= 0x20 && c != 0x7F && c != '/' && c != '\\');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  fw::UrlParts parts;
  parts.url = text;
  std::string normalised = text;
  if (fw::parseUrl(normalised, parts, true) == 1) {
    check(!parts.host.empty());
    check(parts.port > 0 && parts.port <= 65535);
    check(parts.protocol >= fw::kProtoHttp && parts.protocol <= fw::kProtoHttps);
    // A host holds a ":" only as an IPv6 address, which the URL wrote in brackets; put
    // back into brackets with its port, it reads as the same host and port.
    if (parts.host.find(':') != std::string::npos) check(fw::isIPv6Literal(parts.host));
    std::string host;
    int port = 0;
    check(fw::splitHostPort(fw::hostPortText(parts.host, parts.port), host, port));
    check(host == parts.host && port == parts.port);
    // An FTP URL without a path names no file, an FTP directory is named "name/" (which no
    // file path accepts); every other accepted URL names a clean file.
    const bool ftp = parts.protocol == fw::kProtoFtp;
    if (ftp && !parts.path.empty() && parts.path.back() == '/') {
      const std::string& n = parts.fileName;
      check(n.size() >= 2 && n.back() == '/');
      checkFileName(n.substr(0, n.size() - 1));
    } else if (!ftp || !parts.path.empty()) {
      checkFileName(parts.fileName);
    }
    if (!parts.path.empty()) {
      // What is written back must parse to the same place.
      fw::UrlParts again;
      check(fw::parseUrl(normalised, again) == 1);
      check(again.host == parts.host && again.port == parts.port && again.path == parts.path);
      check(again.fileName == parts.fileName);
    }
    std::string resolved;
    if (fw::resolveLocation(text, parts, resolved)) check(!resolved.empty());
    // A path on the same server stays on the same host and port, an IPv6 one included.
    if (!ftp && fw::resolveLocation("/x", parts, resolved)) {
      fw::UrlParts moved;
      check(fw::parseUrl(resolved, moved) == 1);
      check(moved.host == parts.host && moved.port == parts.port);
    }
  }
  std::string safe = fw::safeFileName(text);
  checkFileName(safe);
  checkFileName(fw::safeFileName(fw::dispositionFileName(text)));
  check(fw::percentDecode(text).size() <= text.size());
  return 0;
}

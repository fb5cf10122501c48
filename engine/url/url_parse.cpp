#include "engine/url/url_parse.h"

#include <cctype>

#include "engine/url/ftp_directory_url.h"
#include "engine/url/host_text.h"
#include "engine/url/percent_decode.h"
#include "engine/url/safe_file_name.h"

namespace fw {
namespace {

std::string_view trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

uint8_t protocolOf(const std::string& scheme) {
  // Only whole entries count: a fragment of the keyword table such as "tp" is not a scheme.
  if (scheme == "http") return kProtoHttp;
  if (scheme == "https") return kProtoHttps;
  if (scheme == "ftp") return kProtoFtp;
  return kProtoNone;
}

int32_t defaultPort(uint8_t protocol) {
  switch (protocol) {
    case kProtoHttp:
      return 80;
    case kProtoHttps:
      return 443;
    default:
      return 21;
  }
}

// Splits "user:password@" off the authority. Returns the host part.
std::string_view takeCredentials(std::string_view authority, UrlParts& parts) {
  size_t at = authority.rfind('@');
  if (at == std::string_view::npos) return authority;
  std::string_view cred = authority.substr(0, at);
  size_t colon = cred.rfind(':');
  if (colon == std::string_view::npos) {
    parts.user = std::string(cred);
    parts.password.clear();
  } else {
    parts.user = std::string(cred.substr(0, colon));
    parts.password = std::string(cred.substr(colon + 1));
  }
  return authority.substr(at + 1);
}

// Cuts ":port" and the brackets of an IPv6 address off `host`. False for a port that
// is not a number from 0 to 65535 (which would otherwise wrap to some unrelated port) and
// for a host that is neither a name nor an address in brackets.
bool takePort(std::string& host, UrlParts& parts) {
  std::string bare;
  int32_t port = 0;
  if (!splitHostPort(host, bare, port)) return false;
  parts.port = port;
  host = bare;
  return true;
}

// Last path component, decoded; a "?" ends it and a decoded "/" starts it over.
std::string fileNameOf(std::string_view tail) {
  size_t slash = tail.rfind('/');
  if (slash != std::string_view::npos) tail.remove_prefix(slash + 1);
  size_t query = tail.find('?');
  if (query != std::string_view::npos) tail = tail.substr(0, query);
  std::string name = percentDecode(tail);
  size_t decodedSlash = name.rfind('/');
  if (decodedSlash != std::string::npos) name.erase(0, decodedSlash + 1);
  return name;
}

}  // namespace

int parseUrl(std::string& text, UrlParts& parts, bool writeBack) {
  std::string_view t = trim(text);
  parts.port = 0;
  std::string low = lower(t);
  size_t sep = low.find("://");
  if (sep == std::string::npos) return 0;
  uint8_t protocol = protocolOf(low.substr(0, sep));
  if (protocol == kProtoNone) return 0;
  parts.protocol = protocol;
  std::string normalised = std::string(t.substr(0, sep)) + "://";
  std::string_view rest = t.substr(sep + 3);
  bool web = protocol == kProtoHttp || protocol == kProtoHttps;

  size_t slash = rest.find('/');
  if (slash == std::string_view::npos) {
    // Host only. Credentials and a port are split off here as well, so that
    // "http://h:8080" reaches port 8080; the host keeps its letter case.
    std::string host(takeCredentials(rest, parts));
    if (!takePort(host, parts) || host.empty()) return 0;
    parts.host = host;
    if (parts.port == 0) parts.port = defaultPort(protocol);
    if (web && parts.fileName.empty()) parts.fileName = "index.htm";
    return 1;
  }

  std::string_view authority = rest.substr(0, slash);
  parts.path = std::string(rest.substr(slash));
  std::string_view tail = rest.substr(slash + 1);
  std::string host = lower(takeCredentials(authority, parts));
  normalised += host;
  normalised += '/';
  normalised += tail;
  if (!takePort(host, parts) || host.empty()) return 0;
  parts.host = host;
  if (parts.port == 0) parts.port = defaultPort(protocol);
  parts.fileName = safeFileName(fileNameOf(tail), "");
  if (writeBack) text = normalised;
  if (parts.fileName.empty()) parts.fileName = "index.htm";
  // An FTP directory is listed, never stored: its name must not pass for a file's.
  if (protocol == kProtoFtp && isFtpDirectoryUrl(normalised))
    parts.fileName = ftpDirectoryJobName(normalised);
  if (web && parts.referer.empty()) {
    size_t last = parts.url.rfind('/');
    std::string_view base = parts.url;
    if (last != std::string::npos && last >= 8) base = base.substr(0, last);
    parts.referer = percentDecode(base);
  }
  return 1;
}

int parseUrl(std::string_view text, UrlParts& parts) {
  std::string copy(text);
  return parseUrl(copy, parts, false);
}

}  // namespace fw

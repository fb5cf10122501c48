#pragma once
// A parsed URL together with what the last response said about it.

#include <cstdint>
#include <string>

#include "records/date_stamp.h"

namespace fw {

enum Protocol : uint8_t { kProtoNone = 0, kProtoHttp = 1, kProtoFtp = 2, kProtoHttps = 3 };

struct UrlParts {
  std::string url;       // full URL; a redirect replaces it
  std::string host;      // host name or dotted address
  std::string fileName;  // last path component, percent-decoded, no query; "index.htm" when empty
  std::string user;
  std::string password;
  std::string path;  // request path / FTP file path; "/" is sent when empty
  std::string cookie;
  std::string referer;
  std::string ftpDir;  // FTP server's current directory once learned
  int32_t port = 0;
  int64_t contentLength = 0;
  uint8_t httpMajor = 0;  // version of the last response and of the next request; 0.0 sends 1.1
  uint8_t httpMinor = 0;
  int32_t status = 0;
  uint8_t protocol = kProtoNone;
  uint8_t chunked = 0;
  DateStamp remoteDate;
};

}  // namespace fw

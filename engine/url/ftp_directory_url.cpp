#include "engine/url/ftp_directory_url.h"

#include <cctype>
#include <cstdio>

#include "engine/url/host_text.h"
#include "engine/url/percent_decode.h"
#include "engine/url/safe_file_name.h"
#include "platform/ascii_text.h"

namespace fw {
namespace {

// The part after "ftp://": authority and path.
std::string_view afterScheme(std::string_view url) {
  size_t b = url.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  url.remove_prefix(b);
  if (!startsWithNoCase(url, "ftp://")) return {};
  return url.substr(6);
}

bool unreserved(unsigned char c) {
  if (std::isalnum(c)) return true;
  return std::string_view("-._~!$&'()*+,;=:@").find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

bool isFtpDirectoryUrl(std::string_view url) {
  size_t e = url.find_last_not_of(" \t\r\n");
  if (e == std::string_view::npos) return false;
  url = url.substr(0, e + 1);
  std::string_view rest = afterScheme(url);
  return rest.find('/') != std::string_view::npos && url.back() == '/';
}

std::string ftpDirectoryJobName(std::string_view url) {
  if (!isFtpDirectoryUrl(url)) return {};
  std::string_view rest = afterScheme(url.substr(0, url.find_last_not_of(" \t\r\n") + 1));
  size_t slash = rest.find('/');
  std::string_view authority = rest.substr(0, slash);
  std::string_view path = rest.substr(slash);
  path.remove_suffix(1);
  std::string name;
  if (!path.empty()) {
    name = safeFileName(percentDecode(path.substr(path.rfind('/') + 1)), "");
  }
  if (name.empty()) {
    std::string_view hostPort = authority.substr(authority.rfind('@') + 1);
    int port = 0;
    if (!splitHostPort(hostPort, name, port)) name.clear();
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // The host is shown and becomes a category's name: no control bytes in either.
    name = safeFileName(name, "");
    if (name.empty()) name = "ftp";
  }
  return name + "/";
}

std::string encodeUrlComponent(std::string_view raw) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(raw.size());
  for (char ch : raw) {
    auto c = static_cast<unsigned char>(ch);
    if (unreserved(c)) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
  return out;
}

std::string ftpFileUrl(const std::string& dirUrl, const std::string& subDir,
                       const std::string& name) {
  std::string url = dirUrl;
  if (url.empty() || url.back() != '/') url += '/';
  size_t start = 0;
  while (start < subDir.size()) {
    size_t slash = subDir.find('/', start);
    if (slash == std::string::npos) slash = subDir.size();
    if (slash > start)
      url += encodeUrlComponent(std::string_view(subDir).substr(start, slash - start)) + "/";
    start = slash + 1;
  }
  return url + encodeUrlComponent(name);
}

std::string printableName(std::string_view raw) {
  std::string out;
  for (char ch : raw) {
    if (out.size() >= 200) {
      out += "...";
      break;
    }
    auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c >= 0x7F || c == '\\') {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace fw

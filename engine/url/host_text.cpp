#include "engine/url/host_text.h"

#include <cctype>

namespace fw {

bool isIPv6Literal(std::string_view host) {
  int colons = 0;
  for (char ch : host) {
    auto c = static_cast<unsigned char>(ch);
    if (c == ':')
      ++colons;
    else if (!std::isxdigit(c) && c != '.')
      return false;
  }
  return colons >= 2;
}

std::string bracketedHost(std::string_view host) {
  if (isIPv6Literal(host)) return "[" + std::string(host) + "]";
  return std::string(host);
}

std::string_view unbracketedHost(std::string_view host) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
    return host.substr(1, host.size() - 2);
  return host;
}

std::string hostPortText(std::string_view host, int port) {
  return bracketedHost(host) + ":" + std::to_string(port);
}

bool splitHostPort(std::string_view text, std::string& host, int& port) {
  std::string_view name = text;
  std::string_view portText;
  bool hasPort = false;
  if (!text.empty() && text.front() == '[') {
    size_t close = text.find(']');
    if (close == std::string_view::npos) return false;
    name = text.substr(1, close - 1);
    if (!isIPv6Literal(name)) return false;
    std::string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return false;
      portText = rest.substr(1);
      hasPort = true;
    }
  } else {
    size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) {
      name = text.substr(0, colon);
      portText = text.substr(colon + 1);
      hasPort = true;
      if (name.find(':') != std::string_view::npos) return false;
    }
  }
  int32_t value = 0;
  if (hasPort) {
    for (char c : portText) {
      if (!std::isdigit(static_cast<unsigned char>(c))) return false;
      value = value * 10 + (c - '0');
      if (value > 65535) return false;
    }
  }
  host.assign(name);
  port = value;
  return true;
}

}  // namespace fw

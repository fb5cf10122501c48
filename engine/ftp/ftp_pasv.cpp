#include "engine/ftp/ftp_pasv.h"

#include <arpa/inet.h>

#include <cstdio>

namespace fw {

bool parsePassiveReply(const std::string& text, std::string& ip, int& port) {
  size_t pos = text.find('(');
  if (pos == std::string::npos) {
    pos = text.size() > 3 ? 3 : text.size();
    while (pos < text.size() && !(text[pos] >= '0' && text[pos] <= '9')) ++pos;
  } else {
    ++pos;
  }
  int values[6];
  int count = 0;
  while (count < 6) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    if (pos >= text.size() || !(text[pos] >= '0' && text[pos] <= '9')) return false;
    int v = 0;
    int digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      v = v * 10 + (text[pos] - '0');
      if (++digits > 3 || v > 255) return false;
      ++pos;
    }
    values[count++] = v;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    if (count < 6) {
      if (pos >= text.size() || text[pos] != ',') return false;
      ++pos;
    } else if (pos < text.size() && text[pos] != ')' && text[pos] != '.' && text[pos] != '\r') {
      return false;
    }
  }
  int p = values[4] * 256 + values[5];
  if (p == 0) return false;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d.%d.%d.%d", values[0], values[1], values[2], values[3]);
  ip = buf;
  port = p;
  return true;
}

std::string portArgument(const std::string& ip, int port) {
  unsigned a, b, c, d;
  char tail;
  if (std::sscanf(ip.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4) return {};
  if (a > 255 || b > 255 || c > 255 || d > 255 || port <= 0 || port > 65535) return {};
  char buf[40];
  std::snprintf(buf, sizeof buf, "%u,%u,%u,%u,%d,%d", a, b, c, d, port >> 8, port & 0xFF);
  return buf;
}

bool parseExtendedPassiveReply(const std::string& text, int& port) {
  size_t pos = text.find('(');
  if (pos == std::string::npos || pos + 4 >= text.size()) return false;
  const char d = text[pos + 1];
  if (d < 33 || d > 126 || (d >= '0' && d <= '9') || text[pos + 2] != d || text[pos + 3] != d)
    return false;
  pos += 4;
  int value = 0;
  int digits = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    value = value * 10 + (text[pos] - '0');
    if (++digits > 5 || value > 65535) return false;
    ++pos;
  }
  if (digits == 0 || value == 0 || pos >= text.size() || text[pos] != d) return false;
  port = value;
  return true;
}

std::string extendedPortArgument(const std::string& ip, int port) {
  if (port <= 0 || port > 65535) return {};
  in_addr a4{};
  in6_addr a6{};
  if (::inet_pton(AF_INET, ip.c_str(), &a4) == 1)
    return "|1|" + ip + "|" + std::to_string(port) + "|";
  if (::inet_pton(AF_INET6, ip.c_str(), &a6) == 1)
    return "|2|" + ip + "|" + std::to_string(port) + "|";
  return {};
}

std::string passiveTarget(const std::string& announced, const std::string& controlPeer) {
  return controlPeer.empty() ? announced : controlPeer;
}

}  // namespace fw

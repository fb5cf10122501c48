#include "jobs/update_response.h"

#include <string>

#include "platform/ascii_text.h"

namespace fw {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

int parseUpdateHead(std::string_view bytes, UpdateHead& head) {
  size_t end = bytes.find("\r\n\r\n");
  size_t sepLen = 4;
  if (end == std::string_view::npos) {
    end = bytes.find("\n\n");
    sepLen = 2;
  }
  // "HTTP/1.1 200" needs 12 bytes before a head can be judged.
  if (bytes.size() >= 5 && !startsWithNoCase(bytes, "HTTP/")) return -1;
  if (end == std::string_view::npos) return 0;

  std::string_view text = bytes.substr(0, end);
  size_t lineEnd = text.find('\n');
  std::string_view statusLine = trim(text.substr(0, lineEnd));
  size_t sp = statusLine.find(' ');
  if (sp == std::string_view::npos) return -1;
  std::string_view code = trim(statusLine.substr(sp + 1)).substr(0, 3);
  if (code.size() != 3 || !isDigit(code[0]) || !isDigit(code[1]) || !isDigit(code[2])) return -1;
  UpdateHead out;
  out.status = (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
  out.bodyStart = end + sepLen;

  while (lineEnd != std::string_view::npos) {
    text.remove_prefix(lineEnd + 1);
    lineEnd = text.find('\n');
    std::string_view line = trim(text.substr(0, lineEnd));
    if (!startsWithNoCase(line, "content-length:")) continue;
    std::string_view value = trim(line.substr(15));
    int64_t n = 0;
    bool ok = !value.empty() && value.size() <= 15;
    for (char c : value) {
      if (!isDigit(c)) ok = false;
      if (ok) n = n * 10 + (c - '0');
    }
    out.contentLength = ok ? n : -1;
  }
  head = out;
  return 1;
}

int parseVersionText(std::string_view text) {
  if (text.size() != 5 || !isDigit(text[0]) || text[1] != '.' || !isDigit(text[2]) ||
      !isDigit(text[3]) || !isDigit(text[4]))
    return -1;
  return (text[0] - '0') * 1000 + (text[2] - '0') * 100 + (text[3] - '0') * 10 + (text[4] - '0');
}

int updateResultFromBody(std::string_view body, int ownVersion) {
  if (body.size() < 9 || body.substr(0, 4) != "ver=") return kUpdateNoInfo;
  int version = parseVersionText(body.substr(4, 5));
  if (version < 0) return kUpdateNoInfo;
  // "ver=1.8305" is not 1.830: the version text must end where it is expected to.
  if (body.size() > 9) {
    char next = body[9];
    if (next != '\r' && next != '\n' && next != ' ' && next != '\t') return kUpdateNoInfo;
  }
  return version > ownVersion ? kUpdateNewer : kUpdateLatest;
}

}  // namespace fw

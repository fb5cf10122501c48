#include "engine/http/http_header_line.h"

#include <cctype>
#include <cstdint>
#include <string>

#include "engine/base/control_codes.h"
#include "engine/base/text_buffer.h"
#include "engine/http/http_date.h"
#include "engine/url/header_keywords.h"
#include "engine/url/location_resolve.h"
#include "engine/url/safe_file_name.h"

namespace fw {
namespace {

constexpr int64_t kNumberCap = INT64_MAX / 16;

std::string_view trim(std::string_view s) {
  auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// Leading decimal digits, capped instead of overflowing.
int64_t leadingNumber(std::string_view s) {
  int64_t v = 0;
  for (char c : trim(s)) {
    if (!std::isdigit(static_cast<unsigned char>(c))) break;
    v = v * 10 + (c - '0');
    if (v > kNumberCap) return kNumberCap;
  }
  return v;
}

// A whole non-negative decimal number, or -1.
int64_t strictNumber(std::string_view s) {
  s = trim(s);
  if (s.empty()) return -1;
  int64_t v = 0;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
    v = v * 10 + (c - '0');
    if (v > kNumberCap) return -1;
  }
  return v;
}

void parseStatusLine(std::string_view line, UrlParts& parts) {
  int run = 0;
  size_t i = 5;
  while (i < line.size() && run < 3) {
    if (!std::isdigit(static_cast<unsigned char>(line[i]))) {
      ++i;
      continue;
    }
    int64_t v = 0;
    while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) {
      if (v < 1000000) v = v * 10 + (line[i] - '0');
      ++i;
    }
    if (run == 0) parts.httpMajor = static_cast<uint8_t>(v);
    if (run == 1) parts.httpMinor = static_cast<uint8_t>(v);
    if (run == 2) parts.status = static_cast<int32_t>(v);
    ++run;
  }
}

void contentLength(std::string_view value, UrlParts& parts, const RoleJobAccess* access) {
  int64_t n = strictNumber(value);
  if (n < 0) return;
  parts.contentLength = n;
  if (!access || !access->role || parts.status / 100 == 3) return;
  access->underJobLock([&](JobRecord& job) {
    if (job.fileSize < 0 && parts.status == 200) job.fileSize = n;
    return 0;
  });
  RoleRecord& role = *access->role;
  role.channel->control(role, CtlShowSize, 0);
}

void contentRange(std::string_view value, UrlParts& parts) {
  std::string low(value);
  for (char& c : low) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t bytes = low.find("bytes");
  if (bytes == std::string::npos) return;
  std::string_view rangeText = trim(std::string_view(low).substr(bytes + 5));
  size_t dash = rangeText.find('-');
  if (dash == std::string_view::npos) return;
  size_t slash = rangeText.find('/', dash + 1);
  if (slash == std::string_view::npos) return;
  int64_t first = leadingNumber(rangeText.substr(0, dash));
  int64_t last = leadingNumber(rangeText.substr(dash + 1, slash - dash - 1));
  parts.contentLength = (last >= first ? last - first : first - last) + 1;
}

void offerDispositionName(std::string_view line, const RoleJobAccess* access) {
  if (!access || !access->role) return;
  std::string raw = dispositionFileName(line);
  if (raw.empty()) return;
  std::string name = safeFileName(raw, "");
  if (name.empty() || name.size() >= static_cast<size_t>(kLogTextLimit)) return;
  bool fresh = access->underSizeLock([](JobRecord& job) { return job.downloaded == 0; }) &&
               !access->underJobLock([](JobRecord& job) { return job.createTime.isSet(); });
  if (!fresh) return;
  TextBuffer buffer;
  buffer.set(name);
  RoleRecord& role = *access->role;
  role.channel->control(role, CtlOfferFileName, reinterpret_cast<intptr_t>(&buffer));
}

}  // namespace

int parseHeaderLine(std::string_view line, UrlParts& parts, const RoleJobAccess* access) {
  std::string low(line);
  for (char& c : low) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string_view name;
  std::string_view value;
  size_t colon = low.find(':');
  // The status line is recognised by its start, so neither a reason phrase with a colon
  // nor a stray header line mentioning "http/" is mistaken for the other.
  if (low.starts_with("http/")) {
    name = "http";
  } else if (colon != std::string::npos) {
    name = std::string_view(low).substr(0, colon);
    value = line.substr(colon + 1);
  } else {
    return 0;
  }

  switch (headerKeywordCode(name)) {
    case 1:
      parseStatusLine(line, parts);
      break;
    case 2: {
      std::string_view target = trim(value);
      std::string resolved;
      if (!resolveLocation(target, parts, resolved)) return kResultError;
      parts.url = resolved;
      break;
    }
    case 3:
      if (parts.remoteDate.day == 0 || name.find("date") != std::string_view::npos)
        parseHttpDate(value, parts.remoteDate);
      break;
    case 4:
      contentLength(value, parts, access);
      break;
    case 6:
      contentRange(value, parts);
      offerDispositionName(value, access);
      break;
    case 8:
      offerDispositionName(value, access);
      break;
    case 0: {
      std::string v(value);
      for (char& c : v) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      parts.chunked = v.find("chunked") != std::string::npos ? 1 : 0;
      break;
    }
    default:  // 5 set-cookie, 7 ftp, 9 https, partial matches: nothing to do
      break;
  }
  return 0;
}

}  // namespace fw

#include "engine/http/http_request.h"

#include "engine/base/control_codes.h"
#include "engine/base/proxy_record.h"
#include "engine/base/text_buffer.h"
#include "engine/url/base64.h"
#include "engine/url/host_text.h"

namespace fw {
namespace {

std::string headerSafe(std::string_view v) {
  std::string out;
  out.reserve(v.size());
  for (char c : v)
    if (c != '\r' && c != '\n' && c != '\0') out.push_back(c);
  return out;
}

const char* userAgentLine(int index) {
  switch (index) {
    case 1:
      return "User-Agent: Fetchwright";
    case 2:
      return "User-Agent: Mozilla/2.0 (compatible; MSIE 3.02; Windows 95)";
    case 3:
      return "User-Agent: Mozilla/4.0 (compatible; MSIE 4.01; Windows 98)";
    case 4:
      return "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.2; SV1; .NET CLR "
             "1.1.4322; .NET CLR 2.0.50727)";
    case 5:
      return "User-Agent: Mozilla/3.04 (Win98; I))";
    case 6:
      return "User-Agent: Mozilla/4.05 [en] (Win98; I))";
    default:
      return "User-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)";
  }
}

class Lines {
 public:
  explicit Lines(ComposedRequest& r) : m_r(r) {}
  void add(const std::string& sent) { add(sent, sent); }
  void add(const std::string& sent, const std::string& logged) {
    m_r.text += sent;
    m_r.text += "\r\n";
    m_r.logLines.push_back(logged);
  }

 private:
  ComposedRequest& m_r;
};

}  // namespace

ComposedRequest composeRequest(UrlParts& parts, const RequestInputs& in) {
  ComposedRequest r;
  bool resumable = (in.flags & jobflags::kResumeMask) == jobflags::kResumable;
  bool downloadAgain = (in.flags2 & jobflags2::kDownloadAgain) != 0;
  if (!downloadAgain && in.fileSize >= 0 && resumable && in.range == nullptr) {
    r.needsRange = true;
    return r;
  }

  Lines lines(r);
  if (parts.httpMajor == 0 && parts.httpMinor == 0) parts.httpMajor = parts.httpMinor = 1;
  std::string path = parts.path.empty() ? std::string("/") : headerSafe(parts.path);
  lines.add("GET " + path + " HTTP/" + std::to_string(parts.httpMajor) + "." +
            std::to_string(parts.httpMinor));

  std::string host = headerSafe(bracketedHost(parts.host));
  bool defaultPort = (parts.protocol == kProtoHttp && parts.port == 80) ||
                     (parts.protocol == kProtoHttps && parts.port == 443);
  lines.add(defaultPort ? "Host: " + host : "Host: " + host + ":" + std::to_string(parts.port));
  lines.add("Accept: */*", "Accept: */* ");
  if ((in.checkBits & checkbits::kSendReferer) && !parts.referer.empty())
    lines.add("Referer: " + headerSafe(parts.referer));
  if (!parts.cookie.empty()) lines.add("Cookie: " + headerSafe(parts.cookie));
  if (in.userAgentIndex == kUserAgentCustom)
    lines.add("User-Agent: " + headerSafe(in.userAgentText));
  else if (in.userAgentIndex != 0)
    lines.add(userAgentLine(in.userAgentIndex));

  if (!downloadAgain) {
    if (in.fileSize < 0) {
      if (resumable && in.downloaded > 0) {
        std::string n = std::to_string(in.downloaded);
        lines.add("Range: bytes=" + n + "-", "Range: bytes=" + n);
      }
    } else if (resumable && in.range->start != 0) {
      std::string n = std::to_string(in.range->start);
      lines.add("Range: bytes=" + n + "-", "Range: bytes=" + n);
    }
  }
  if (in.proxyNoCache) {
    lines.add("Pragma: no-cache");
    lines.add("Cache-Control: no-cache");
  }
  if (in.flags & jobflags::kLogin)
    lines.add("Authorization: Basic " + base64Encode(parts.user + ":" + parts.password));
  lines.add("Connection: close", "Connection: close ");
  return r;
}

int composeRoleRequest(const RoleJobAccess& access, int userAgentIndex, uint32_t checkBits,
                       std::string& out) {
  RoleRecord& role = *access.role;
  RequestInputs in;
  access.underJobLock([&](JobRecord& job) {
    in.flags = job.flags;
    in.flags2 = job.flags2;
    in.fileSize = job.fileSize;
    return 0;
  });
  in.downloaded = access.underSizeLock([](JobRecord& job) { return job.downloaded; });
  in.userAgentIndex = userAgentIndex;
  in.checkBits = checkBits;
  in.proxyNoCache = (role.proxy.flags & proxyflags::kNoCache) != 0;
  if (userAgentIndex == kUserAgentCustom) {
    TextBuffer buffer;
    role.channel->control(role, CtlGetUserAgentText, reinterpret_cast<intptr_t>(&buffer));
    in.userAgentText = buffer.str();
  }
  in.range = role.range;
  ComposedRequest r = composeRequest(role.target, in);
  if (r.needsRange) {
    intptr_t got = role.channel->control(role, CtlAssignRange, reinterpret_cast<intptr_t>(&role));
    if (got < 0) return static_cast<int>(got);
    if (got == 0 || role.range == nullptr) return kResultClose;
    in.range = role.range;
    r = composeRequest(role.target, in);
  }
  for (const std::string& line : r.logLines) role.channel->log(role, kLogCommand, line);
  out = std::move(r.text);
  return kResultSuccess;
}

}  // namespace fw

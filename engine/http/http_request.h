#pragma once
// Composing the one GET request a connection carries.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/role_job_access.h"
#include "engine/url/url_parts.h"
#include "records/job_record.h"

namespace fw {

// "Check" setting bits used by the HTTP side.
namespace checkbits {
inline constexpr uint32_t kSendReferer = 0x01;
inline constexpr uint32_t kBrowserCookies = 0x02;
}  // namespace checkbits

// User-agent choices ("UserAgent" setting); 7 takes the "UserAgentText" setting.
inline constexpr int kUserAgentCustom = 7;

struct RequestInputs {
  uint16_t flags = 0;   // JobRecord::flags
  uint16_t flags2 = 0;  // JobRecord::flags2
  int64_t fileSize = -1;
  int64_t downloaded = 0;
  const PartRange* range = nullptr;  // the Role's range, if it holds one
  int userAgentIndex = 0;
  std::string userAgentText;  // used for index 7
  uint32_t checkBits = 0;
  bool proxyNoCache = false;  // the Role's proxy flag bit 0x01
};

struct ComposedRequest {
  // The head's lines, each ending in "\r\n"; the blank line that ends the head is added
  // by the sender.
  std::string text;
  // Each line as it is shown in the Role's log (kind 1); a few differ from what is sent.
  std::vector<std::string> logLines;
  // The job's size is known and it resumes but no range was given: nothing is composed;
  // the caller must obtain a range first.
  bool needsRange = false;
};

// Pure composition. Sets parts.httpMajor/httpMinor to 1.1 when both are 0. CR, LF and
// NUL are removed from every value placed in a line, so no value can add header lines.
ComposedRequest composeRequest(UrlParts& parts, const RequestInputs& in);

// The Role's version: snapshots the job fields (job and size locks), fetches the custom
// user-agent text (CtlGetUserAgentText) when index 7 is chosen, asks CtlAssignRange when
// the size is known, the job resumes and the Role holds no range, then composes from
// access.role->target and logs every line (kind 1). Returns 1 with `out` set; -3 when
// CtlAssignRange gives 0 or still no range; CtlAssignRange's result when negative.
// Role thread only.
int composeRoleRequest(const RoleJobAccess& access, int userAgentIndex, uint32_t checkBits,
                       std::string& out);

}  // namespace fw

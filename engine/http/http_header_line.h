#pragma once
// Parsing one line of an HTTP response head. Runs on the Role's thread.

#include <string_view>

#include "engine/base/role_job_access.h"
#include "engine/url/url_parts.h"

namespace fw {

// Applies one trimmed head line to `parts` and, when `access` is given, to the job:
//   status line (begins with "HTTP/")   httpMajor, httpMinor, status
//   Location                           url = the value resolved by resolveLocation()
//   Last-Modified / Date               remoteDate (Date replaces, Last-Modified only fills)
//   Content-Length                     contentLength; unless the status is 3xx and with
//                                      `access`: an unknown fileSize of a 200 answer is set
//                                      (job lock) and CtlShowSize is sent after the lock
//   Content-Range "bytes a-b/t"        contentLength = |b - a| + 1
//   Content-Disposition                with `access`: CtlOfferFileName with the name made
//                                      safe, when the job has received nothing and its file
//                                      was not created in an earlier run
//   Transfer-Encoding                  chunked = 1 when the value names "chunked"
// Header names are looked up in kHeaderKeywords as substrings; other lines are ignored.
// Returns 0, or -10 for a Location value shorter than 3 characters.
int parseHeaderLine(std::string_view line, UrlParts& parts, const RoleJobAccess* access);

}  // namespace fw

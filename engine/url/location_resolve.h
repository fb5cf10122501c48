#pragma once
// Resolving a redirect target against the URL that was asked for. Pure functions; any
// thread.

#include <string>
#include <string_view>

#include "engine/url/url_parts.h"

namespace fw {

// RFC 3986 section 5.2 resolution of a "Location" value against the current request
// (scheme from base.protocol, base.host, base.port, base.path):
//   - a value containing "://" is returned unchanged;
//   - "//host/x" takes the current scheme;
//   - "/x", "x", "./x", "../x", "?q" are resolved against the current path, dot segments
//     removed, and keep the current scheme, host and port (the port is written only when
//     it is not the scheme's default).
// A fragment ("#...") is dropped, since it is never sent. Returns false, leaving `out`
// alone, for a value shorter than 3 characters.
bool resolveLocation(std::string_view value, const UrlParts& base, std::string& out);

// RFC 3986 section 5.2.4.
std::string removeDotSegments(std::string_view path);

}  // namespace fw

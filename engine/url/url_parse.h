#pragma once
// Splitting a download URL into the fields of a UrlParts record. Pure functions; any
// thread (the record must not be shared while it is written).
//
// engine/url: text of URLs and names taken from them: parsing, percent-decoding,
// redirect targets, FTP directory URLs, safe file names. Uses only the standard library.

#include <string>
#include <string_view>

#include "engine/url/url_parts.h"

namespace fw {

// Parses `text` into `parts`. Returns 1 for a usable URL, 0 for a refused one (no
// "://", a scheme other than http, https or ftp in any letter case, or an empty host);
// a refused URL may leave fields partly written.
//
// Writes protocol, host (lower-cased), port (the URL's or 80 / 443 / 21), user and
// password (only when the URL carries credentials), path (from the first "/" after the
// host, as written; left alone when there is none), fileName (last path component,
// percent-decoded, query dropped, made safe by safeFileName(), "index.htm" when empty;
// for an FTP URL naming a directory, ftpDirectoryJobName(), which ends in "/"),
// and, for HTTP and HTTPS with an empty referer, referer = parts.url up to its last "/",
// percent-decoded. parts.url itself is not touched.
//
// With `writeBack` the text is replaced by the normalised URL: scheme as written, host
// lower-cased with its port, the path; credentials are left out.
int parseUrl(std::string& text, UrlParts& parts, bool writeBack);

// The same without writing back.
int parseUrl(std::string_view text, UrlParts& parts);

}  // namespace fw

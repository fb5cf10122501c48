#pragma once
// The URLs of an FTP directory download: which job URL names a directory, and how the
// URL of a listed file is built from it. Pure functions; any thread.

#include <string>
#include <string_view>

namespace fw {

// An ftp:// URL (any letter case) whose path is present and ends in "/".
bool isFtpDirectoryUrl(std::string_view url);

// The name a directory job shows in place of a file name: the last path component,
// percent-decoded, followed by "/" ("pub/"); the host followed by "/" for the root.
// The trailing "/" keeps every storage path from taking it for a file. Empty when
// `url` is not an FTP directory URL.
std::string ftpDirectoryJobName(std::string_view url);

// Percent-encodes one path component: everything but ASCII letters, digits and
// "-._~!$&'()*+,;=:@" becomes "%XX" (so "%", blank, "#", "?", "/", control and non-ASCII
// bytes are all encoded).
std::string encodeUrlComponent(std::string_view raw);

// `dirUrl` (ends in "/") + each component of `subDir` ("a/b", may be empty) encoded and
// followed by "/" + `name` encoded. Credentials, host and port stay as `dirUrl` has them.
std::string ftpFileUrl(const std::string& dirUrl, const std::string& subDir,
                       const std::string& name);

// A listed name made fit for a log line: control bytes, "\" and bytes 0x7F and above
// shown as "\xNN", cut to 200 bytes.
std::string printableName(std::string_view raw);

}  // namespace fw

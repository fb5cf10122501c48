#pragma once
// The messages the browser extension sends to the native host, checked before anything
// is done with them:
//   {"type":"download", "url", "finalUrl"?, "referrer"?, "cookies"?: [cookie...]}
//       a download the browser is about to start; cookies as the browser's cookie API
//       gives them (name, value, domain, path, secure, httpOnly, hostOnly, session,
//       expirationDate)
//   {"type":"link", "url", "text"?, "page"?}          "Download using Fetchwright"
//   {"type":"page", "url", "title"?, "links": [{"url", "text"?}...]}
//                                                     "Download All by Fetchwright"
// URLs are at most 2,000 bytes and hold no control characters; a required one missing,
// empty or bad refuses the message. Optional parts that are bad are dropped: a bad cookie
// or link is skipped, a bad referrer or page address becomes empty, and free texts are cut
// to 2,000 bytes. Pure functions, any thread.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/cookie_file.h"

namespace fw {

inline constexpr size_t kHostUrlMax = 2000;
inline constexpr size_t kHostTextMax = 2000;
inline constexpr size_t kHostCookiesMax = 300;
inline constexpr size_t kHostLinksMax = 10000;
inline constexpr int kHostJsonDepthMax = 16;

struct HostLink {
  std::string url;
  std::string text;
};

struct HostRequest {
  enum class Type { Download, Link, Page };
  Type type = Type::Download;
  std::string url;              // the download, the link, or the page
  std::string finalUrl;         // download: after redirects ("" when the same or not given)
  std::string referrer;         // download: the page it came from; link: the page ("page")
  std::string text;             // link: its text; page: the title
  std::vector<Cookie> cookies;  // download
  std::vector<HostLink> links;  // page
};

// False with `error` set when the message is refused.
bool parseHostRequest(std::string_view json, HostRequest& out, std::string& error);

// Whether `url` is usable as a URL field: not empty, at most kHostUrlMax bytes, no byte
// below 0x20 and no 0x7F.
bool hostUrlAcceptable(std::string_view url);

// The answers the host writes back.
std::string hostAnswerTaken(bool taken, const std::string& reason);
std::string hostAnswerDone(bool ok, const std::string& reason);
std::string hostAnswerError(const std::string& error);

}  // namespace fw

#pragma once
// The cookie jar: cookies the browser extension hands over with a captured URL, kept in
// configDir()/cookies.txt (cookie_file.h), and looked up when a download asks for "the
// browser's cookies" of its URL.
//
// Matching a request URL (http or https only):
//   - domain: a host-only cookie (include-subdomains FALSE and no leading ".") matches only its
//     own host; a domain cookie matches its domain and every host below it ("a.example.com"
//     for ".example.com"), never a host that merely ends in the same letters
//     ("badexample.com"). Hosts that are IP addresses match only exactly. Case-insensitive.
//   - path: the cookie path equals the request path or is a prefix of it ending at a "/"
//     boundary ("/docs" matches "/docs" and "/docs/a", not "/docsearch").
//   - secure cookies only over https.
//   - a cookie whose expiry is not 0 and not after the clock's present second is skipped.
// The Cookie header text is "name=value; name2=value2", longest path first, file order among
// equal paths.
//
// Thread safety: any thread; a mutex serialises calls. Other processes are coordinated through
// an flock on "<file>.lock" (shared to read, exclusive to write); the file is replaced
// atomically with mode 0600, its folder created 0700.

#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/cookie_file.h"
#include "platform/file_lock.h"
#include "platform/paths.h"

namespace fw {

// The parts of a URL cookie matching needs. False when the URL has no "scheme://host".
struct CookieRequest {
  std::string scheme;  // lower case
  std::string host;    // lower case, no brackets, no trailing "."
  std::string path;    // "/" when the URL has none; no query or fragment
};
bool splitCookieUrl(const std::string& url, CookieRequest& out);

// Whether `c` goes with a request for `req` at `nowSeconds` (rules above).
bool cookieMatches(const Cookie& c, const CookieRequest& req, int64_t nowSeconds);

// The Cookie header text for `url` from `cookies`; "" when none match or the URL is not http(s).
std::string cookieHeaderFor(const std::vector<Cookie>& cookies, const std::string& url,
                            int64_t nowSeconds);

class CookieJar {
 public:
  // `clock` must outlive the jar.
  CookieJar(std::string filePath, Clock& clock);
  // configDir()/cookies.txt.
  static std::string defaultPath(const EnvLookup& env = processEnv());

  // The Cookie header text for `url` from the file as it is now; "" when nothing matches or
  // the file is missing or unreadable.
  std::string cookiesFor(const std::string& url);

  // Adds the cookies, each replacing a stored one with the same domain (ignoring case and a
  // leading "."), path and name; a cookie that has already expired removes its stored twin.
  // Expired cookies are dropped from the file. Invalid cookies are ignored. False when the
  // file could not be read or written (it is then unchanged).
  bool store(const std::vector<Cookie>& cookies);

  // Every cookie in the file as it is now (expired ones included).
  std::vector<Cookie> all();

 private:
  // Caller holds m_mutex and a file lock. False when the file exists but cannot be read.
  bool refreshLocked();

  const std::string m_path;
  const std::string m_lockPath;
  Clock& m_clock;
  std::mutex m_mutex;
  std::vector<Cookie> m_cookies;
  FileSignature m_signature;
  bool m_loaded = false;
};

}  // namespace fw

#include "platform/cookie_jar.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace fw {
namespace {

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return out;
}

// The domain as compared: lower case, without the leading "." and trailing ".".
std::string normalDomain(const std::string& domain) {
  std::string d = lower(domain);
  if (!d.empty() && d.front() == '.') d.erase(0, 1);
  while (!d.empty() && d.back() == '.') d.pop_back();
  return d;
}

bool isIpAddress(const std::string& host) {
  if (host.find(':') != std::string::npos) return true;
  return !host.empty() && host.find_first_not_of("0123456789.") == std::string::npos;
}

bool domainMatches(const Cookie& c, const std::string& host) {
  std::string d = normalDomain(c.domain);
  if (d.empty()) return false;
  if (host == d) return true;
  bool domainCookie = c.includeSubdomains || c.domain[0] == '.';
  if (!domainCookie || isIpAddress(host)) return false;
  return host.size() > d.size() && host.compare(host.size() - d.size(), d.size(), d) == 0 &&
         host[host.size() - d.size() - 1] == '.';
}

bool pathMatches(const std::string& cookiePath, const std::string& reqPath) {
  if (reqPath.compare(0, cookiePath.size(), cookiePath) != 0) return false;
  if (reqPath.size() == cookiePath.size()) return true;
  return cookiePath.back() == '/' || reqPath[cookiePath.size()] == '/';
}

bool expired(const Cookie& c, int64_t now) {
  return c.expiry != 0 && c.expiry <= now;
}

bool sameCookie(const Cookie& a, const Cookie& b) {
  return a.name == b.name && a.path == b.path && normalDomain(a.domain) == normalDomain(b.domain);
}

}  // namespace

bool splitCookieUrl(const std::string& url, CookieRequest& out) {
  size_t sep = url.find("://");
  if (sep == std::string::npos || sep == 0) return false;
  out.scheme = lower(std::string_view(url).substr(0, sep));
  size_t authStart = sep + 3;
  size_t authEnd = url.find_first_of("/?#", authStart);
  if (authEnd == std::string::npos) authEnd = url.size();
  std::string_view auth = std::string_view(url).substr(authStart, authEnd - authStart);
  size_t at = auth.rfind('@');
  if (at != std::string_view::npos) auth.remove_prefix(at + 1);
  std::string_view host;
  if (!auth.empty() && auth[0] == '[') {
    size_t close = auth.find(']');
    if (close == std::string_view::npos) return false;
    host = auth.substr(1, close - 1);
  } else {
    host = auth.substr(0, auth.find(':'));
  }
  out.host = lower(host);
  while (!out.host.empty() && out.host.back() == '.') out.host.pop_back();
  if (out.host.empty()) return false;
  out.path.assign(1, '/');
  if (authEnd < url.size() && url[authEnd] == '/') {
    size_t pathEnd = url.find_first_of("?#", authEnd);
    out.path =
        url.substr(authEnd, pathEnd == std::string::npos ? std::string::npos : pathEnd - authEnd);
  }
  return true;
}

bool cookieMatches(const Cookie& c, const CookieRequest& req, int64_t nowSeconds) {
  if (expired(c, nowSeconds)) return false;
  if (c.secure && req.scheme != "https") return false;
  return domainMatches(c, req.host) && pathMatches(c.path, req.path);
}

std::string cookieHeaderFor(const std::vector<Cookie>& cookies, const std::string& url,
                            int64_t nowSeconds) {
  CookieRequest req;
  if (!splitCookieUrl(url, req) || (req.scheme != "http" && req.scheme != "https")) return {};
  std::vector<const Cookie*> hits;
  for (const Cookie& c : cookies) {
    if (cookieIsValid(c) && cookieMatches(c, req, nowSeconds)) hits.push_back(&c);
  }
  std::stable_sort(hits.begin(), hits.end(), [](const Cookie* a, const Cookie* b) {
    return a->path.size() > b->path.size();
  });
  std::string header;
  for (const Cookie* c : hits) {
    if (!header.empty()) header += "; ";
    header += c->name;
    header += '=';
    header += c->value;
  }
  return header;
}

CookieJar::CookieJar(std::string filePath, Clock& clock)
    : m_path(std::move(filePath)), m_lockPath(m_path + ".lock"), m_clock(clock) {}

std::string CookieJar::defaultPath(const EnvLookup& env) {
  return configDir(env) + "/cookies.txt";
}

bool CookieJar::refreshLocked() {
  FileSignature sig = fileSignature(m_path);
  int statErr = sig.exists ? 0 : errno;
  if (m_loaded && sig == m_signature) return true;
  m_cookies.clear();
  m_loaded = false;
  std::string text;
  int err = statErr;
  if (sig.exists && !readFileContents(m_path, text, err)) sig.exists = false;
  if (!sig.exists) {
    if (err != ENOENT && err != ENOTDIR) return false;
  } else {
    m_cookies = parseCookieFile(text);
  }
  m_signature = sig;
  m_loaded = true;
  return true;
}

std::string CookieJar::cookiesFor(const std::string& url) {
  std::lock_guard<std::mutex> guard(m_mutex);
  FileLock lock(m_lockPath, FileLock::Mode::Shared, false);
  if (!lock.locked() && lock.error() != ENOENT && lock.error() != ENOTDIR) return {};
  if (!refreshLocked()) return {};
  return cookieHeaderFor(m_cookies, url, m_clock.wallSeconds());
}

std::vector<Cookie> CookieJar::all() {
  std::lock_guard<std::mutex> guard(m_mutex);
  FileLock lock(m_lockPath, FileLock::Mode::Shared, false);
  if (!refreshLocked()) return {};
  return m_cookies;
}

bool CookieJar::store(const std::vector<Cookie>& cookies) {
  std::lock_guard<std::mutex> guard(m_mutex);
  std::string error;
  if (!makeDirs(parentDir(m_path), 0700, &error)) {
    std::fprintf(stderr, "fetchwright: cookie jar: %s\n", error.c_str());
    return false;
  }
  FileLock lock(m_lockPath, FileLock::Mode::Exclusive, true);
  if (!lock.locked() || !refreshLocked()) return false;

  int64_t now = m_clock.wallSeconds();
  std::vector<Cookie> next = m_cookies;
  for (const Cookie& c : cookies) {
    if (!cookieIsValid(c)) continue;
    auto twin = std::find_if(next.begin(), next.end(),
                             [&](const Cookie& old) { return sameCookie(old, c); });
    if (twin != next.end()) {
      *twin = c;
    } else {
      next.push_back(c);
    }
  }
  std::erase_if(next, [&](const Cookie& c) { return expired(c, now); });
  if (!writeFileReplacing(m_path, formatCookieFile(next), 0600, &error)) {
    std::fprintf(stderr, "fetchwright: cookie jar not written: %s\n", error.c_str());
    return false;
  }
  m_cookies = std::move(next);
  m_signature = fileSignature(m_path);
  return true;
}

}  // namespace fw

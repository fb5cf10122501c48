#include "capture/host/host_request.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace fw {

namespace {

using nlohmann::json;

// Brackets outside strings, counted before parsing so that a deeply nested message
// costs nothing.
bool nestingWithin(std::string_view text, int maxDepth) {
  int depth = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (inString) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > maxDepth) return false;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return true;
}

// The string member `key`, or nullptr when it is absent or not a string.
const std::string* stringMember(const json& obj, const char* key) {
  auto it = obj.find(key);
  if (it == obj.end() || !it->is_string()) return nullptr;
  return it->get_ptr<const std::string*>();
}

bool boolMember(const json& obj, const char* key) {
  auto it = obj.find(key);
  return it != obj.end() && it->is_boolean() && it->get<bool>();
}

// Cut to at most `max` bytes without splitting a UTF-8 sequence.
std::string cutText(const std::string& text, size_t max) {
  if (text.size() <= max) return text;
  size_t end = max;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

std::string optionalUrl(const json& obj, const char* key) {
  const std::string* s = stringMember(obj, key);
  return s && hostUrlAcceptable(*s) ? *s : std::string();
}

std::string optionalText(const json& obj, const char* key) {
  const std::string* s = stringMember(obj, key);
  return s ? cutText(*s, kHostTextMax) : std::string();
}

bool cookieFrom(const json& c, Cookie& out) {
  if (!c.is_object()) return false;
  const std::string* name = stringMember(c, "name");
  const std::string* value = stringMember(c, "value");
  const std::string* domain = stringMember(c, "domain");
  if (!name || !value || !domain || domain->empty()) return false;
  out = Cookie{};
  out.name = *name;
  out.value = *value;
  bool hostOnly = boolMember(c, "hostOnly");
  out.includeSubdomains = !hostOnly;
  if (hostOnly)
    out.domain = (*domain)[0] == '.' ? domain->substr(1) : *domain;
  else
    out.domain = (*domain)[0] == '.' ? *domain : "." + *domain;
  const std::string* path = stringMember(c, "path");
  out.path = path && !path->empty() ? *path : "/";
  out.secure = boolMember(c, "secure");
  out.httpOnly = boolMember(c, "httpOnly");
  out.expiry = 0;
  if (!boolMember(c, "session")) {
    auto it = c.find("expirationDate");
    if (it == c.end() || !it->is_number()) return false;
    double when = it->get<double>();
    // A time outside the file's range is no time the jar could keep.
    if (!std::isfinite(when) || when < 1 || when > 9.2e18) return false;
    out.expiry = static_cast<int64_t>(when);
  }
  return out.value.size() <= 4096 && out.name.size() <= 4096 && cookieIsValid(out);
}

bool parseDownload(const json& m, HostRequest& out, std::string& error) {
  const std::string* url = stringMember(m, "url");
  if (!url || !hostUrlAcceptable(*url)) {
    error = "download without a usable url";
    return false;
  }
  out.url = *url;
  out.finalUrl = optionalUrl(m, "finalUrl");
  if (out.finalUrl == out.url) out.finalUrl.clear();
  out.referrer = optionalUrl(m, "referrer");
  auto it = m.find("cookies");
  if (it != m.end() && it->is_array()) {
    for (const json& c : *it) {
      if (out.cookies.size() >= kHostCookiesMax) break;
      Cookie cookie;
      if (cookieFrom(c, cookie)) out.cookies.push_back(std::move(cookie));
    }
  }
  return true;
}

bool parseLink(const json& m, HostRequest& out, std::string& error) {
  const std::string* url = stringMember(m, "url");
  if (!url || !hostUrlAcceptable(*url)) {
    error = "link without a usable url";
    return false;
  }
  out.url = *url;
  out.text = optionalText(m, "text");
  out.referrer = optionalUrl(m, "page");
  return true;
}

bool parsePage(const json& m, HostRequest& out, std::string& error) {
  const std::string* url = stringMember(m, "url");
  auto links = m.find("links");
  if (!url || !hostUrlAcceptable(*url) || links == m.end() || !links->is_array()) {
    error = "page without a usable url or links";
    return false;
  }
  out.url = *url;
  out.text = optionalText(m, "title");
  for (const json& l : *links) {
    if (out.links.size() >= kHostLinksMax) break;
    if (!l.is_object()) continue;
    const std::string* href = stringMember(l, "url");
    if (!href || !hostUrlAcceptable(*href)) continue;
    out.links.push_back(HostLink{*href, optionalText(l, "text")});
  }
  return true;
}

}  // namespace

bool hostUrlAcceptable(std::string_view url) {
  if (url.empty() || url.size() > kHostUrlMax) return false;
  for (char c : url) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  return true;
}

bool parseHostRequest(std::string_view text, HostRequest& out, std::string& error) {
  out = HostRequest{};
  if (!nestingWithin(text, kHostJsonDepthMax)) {
    error = "message nested too deeply";
    return false;
  }
  json m = json::parse(text.begin(), text.end(), nullptr, false);
  if (m.is_discarded() || !m.is_object()) {
    error = "message is not a JSON object";
    return false;
  }
  const std::string* type = stringMember(m, "type");
  if (!type) {
    error = "message without a type";
    return false;
  }
  if (*type == "download") {
    out.type = HostRequest::Type::Download;
    return parseDownload(m, out, error);
  }
  if (*type == "link") {
    out.type = HostRequest::Type::Link;
    return parseLink(m, out, error);
  }
  if (*type == "page") {
    out.type = HostRequest::Type::Page;
    return parsePage(m, out, error);
  }
  error = "unknown message type";
  return false;
}

std::string hostAnswerTaken(bool taken, const std::string& reason) {
  return json{{"taken", taken}, {"reason", reason}}.dump(-1, ' ', false,
                                                         json::error_handler_t::replace);
}

std::string hostAnswerDone(bool ok, const std::string& reason) {
  return json{{"ok", ok}, {"reason", reason}}.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string hostAnswerError(const std::string& error) {
  return json{{"taken", false}, {"ok", false}, {"error", error}}.dump(
      -1, ' ', false, json::error_handler_t::replace);
}

}  // namespace fw

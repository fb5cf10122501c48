#include "engine/url/location_resolve.h"

#include "engine/url/host_text.h"

namespace fw {

std::string removeDotSegments(std::string_view in) {
  std::string out;
  while (!in.empty()) {
    if (in.starts_with("../")) {
      in.remove_prefix(3);
    } else if (in.starts_with("./")) {
      in.remove_prefix(2);
    } else if (in.starts_with("/./")) {
      in.remove_prefix(2);
    } else if (in == "/.") {
      in = "/";
    } else if (in.starts_with("/../") || in == "/..") {
      in = in.size() == 3 ? std::string_view("/") : in.substr(3);
      size_t last = out.rfind('/');
      out.resize(last == std::string::npos ? 0 : last);
    } else if (in == "." || in == "..") {
      in = {};
    } else {
      size_t next = in.find('/', 1);
      if (next == std::string_view::npos) next = in.size();
      out.append(in.substr(0, next));
      in.remove_prefix(next);
    }
  }
  return out;
}

bool resolveLocation(std::string_view value, const UrlParts& base, std::string& out) {
  if (value.size() < 3) return false;
  if (value.find("://") != std::string_view::npos) {
    out = std::string(value);
    return true;
  }
  size_t hash = value.find('#');
  if (hash != std::string_view::npos) value = value.substr(0, hash);

  bool secure = base.protocol == kProtoHttps;
  std::string scheme = secure ? "https:" : "http:";
  if (value.starts_with("//")) {
    out = scheme + std::string(value);
    return true;
  }

  std::string authority = bracketedHost(base.host);
  int32_t defaultPort = secure ? 443 : 80;
  if (base.port != 0 && base.port != defaultPort) authority += ":" + std::to_string(base.port);

  std::string_view basePath = base.path;
  std::string_view baseQuery;
  if (size_t q = basePath.find('?'); q != std::string_view::npos) {
    baseQuery = basePath.substr(q + 1);
    basePath = basePath.substr(0, q);
  }
  if (size_t h = basePath.find('#'); h != std::string_view::npos) basePath = basePath.substr(0, h);
  std::string baseDir = basePath.empty() ? std::string("/") : std::string(basePath);

  std::string_view refPath = value;
  std::string_view refQuery;
  bool hasQuery = false;
  if (size_t q = value.find('?'); q != std::string_view::npos) {
    refPath = value.substr(0, q);
    refQuery = value.substr(q + 1);
    hasQuery = true;
  }

  std::string path;
  std::string_view query;
  bool withQuery = false;
  if (refPath.empty()) {
    path = baseDir;
    query = hasQuery ? refQuery : baseQuery;
    withQuery = hasQuery || !baseQuery.empty();
  } else {
    if (refPath.front() == '/') {
      path = removeDotSegments(refPath);
    } else {
      std::string merged = baseDir.substr(0, baseDir.rfind('/') + 1);
      merged.append(refPath);
      path = removeDotSegments(merged);
    }
    query = refQuery;
    withQuery = hasQuery;
  }
  if (path.empty() || path.front() != '/') path.insert(0, "/");
  out = scheme + "//" + authority + path;
  if (withQuery) {
    out += '?';
    out.append(query);
  }
  return true;
}

}  // namespace fw

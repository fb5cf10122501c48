#include "store/url_hand_in.h"

#include <charconv>
#include <cstdint>

#include "engine/url/url_parse.h"
#include "engine/url/url_parts.h"

namespace fw {

namespace {

constexpr size_t kMaxText = 2000;  // a URL or a folder; longer text is refused

std::string escape(std::string_view v) {
  std::string out;
  out.reserve(v.size());
  for (char c : v) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool unescape(std::string_view v, std::string& out) {
  out.clear();
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] != '\\') {
      out += v[i];
      continue;
    }
    if (++i == v.size()) return false;
    switch (v[i]) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return false;
    }
  }
  return true;
}

template <typename T>
bool parseNumber(std::string_view v, T& out) {
  uint64_t n = 0;
  auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
  if (ec != std::errc() || p != v.data() + v.size() || v.empty()) return false;
  if (n > static_cast<uint64_t>(static_cast<T>(~T{0}))) return false;
  out = static_cast<T>(n);
  return true;
}

void line(std::string& out, const char* key, std::string_view value) {
  out += key;
  out += '\t';
  out += escape(value);
  out += '\n';
}

// Applies one "key value" pair; false for a value that does not fit its field.
bool apply(AddJobRequest& r, std::string_view key, const std::string& v) {
  auto text = [&](std::string& field) {
    if (v.size() > kMaxText) return false;
    field = v;
    return true;
  };
  if (key == "url") return text(r.url);
  if (key == "saveDir") return text(r.saveDir);
  if (key == "fileName") return text(r.fileName);
  if (key == "referer") return text(r.referer);
  if (key == "userName") return text(r.userName);
  if (key == "password") return text(r.password);
  if (key == "comment") return text(r.comment);
  if (key == "startMode") return parseNumber(v, r.startMode);
  if (key == "category") return parseNumber(v, r.category);
  if (key == "splitCount") return parseNumber(v, r.splitCount);
  if (key == "ftpProxy") return parseNumber(v, r.ftpProxy);
  if (key == "httpProxy") return parseNumber(v, r.httpProxy);
  if (key == "option3") return parseNumber(v, r.option3);
  if (key == "option4") return parseNumber(v, r.option4);
  if (key == "extraFlags") return parseNumber(v, r.extraFlags);
  if (key == "rate") return parseNumber(v, r.rate);
  return true;  // a key of a newer sender
}

}  // namespace

std::string encodeHandIn(const std::vector<AddJobRequest>& requests) {
  std::string out;
  for (const AddJobRequest& r : requests) {
    if (!out.empty()) out += '\n';
    line(out, "url", r.url);
    line(out, "startMode", std::to_string(r.startMode));
    line(out, "saveDir", r.saveDir);
    line(out, "fileName", r.fileName);
    line(out, "category", std::to_string(r.category));
    line(out, "splitCount", std::to_string(r.splitCount));
    line(out, "referer", r.referer);
    line(out, "userName", r.userName);
    line(out, "password", r.password);
    line(out, "comment", r.comment);
    line(out, "ftpProxy", std::to_string(r.ftpProxy));
    line(out, "httpProxy", std::to_string(r.httpProxy));
    line(out, "option3", std::to_string(r.option3));
    line(out, "option4", std::to_string(r.option4));
    line(out, "extraFlags", std::to_string(r.extraFlags));
    line(out, "rate", std::to_string(r.rate));
  }
  return out;
}

bool decodeHandIn(std::string_view payload, std::vector<AddJobRequest>& out, std::string* error) {
  out.clear();
  auto fail = [&](const std::string& why) {
    out.clear();
    if (error) *error = why;
    return false;
  };
  AddJobRequest current;
  bool open = false;
  size_t lineNo = 0;
  while (!payload.empty()) {
    size_t nl = payload.find('\n');
    std::string_view l = payload.substr(0, nl);
    payload = nl == std::string_view::npos ? std::string_view() : payload.substr(nl + 1);
    ++lineNo;
    if (l.empty()) {
      if (open) out.push_back(current);
      current = AddJobRequest{};
      open = false;
      if (out.size() > kHandInMaxJobs) return fail("more than 10000 jobs");
      continue;
    }
    size_t tab = l.find('\t');
    if (tab == std::string_view::npos) return fail("line " + std::to_string(lineNo) + ": no value");
    std::string value;
    if (!unescape(l.substr(tab + 1), value))
      return fail("line " + std::to_string(lineNo) + ": bad escape");
    if (!apply(current, l.substr(0, tab), value))
      return fail("line " + std::to_string(lineNo) + ": bad value");
    open = true;
  }
  if (open) out.push_back(current);
  if (out.size() > kHandInMaxJobs) return fail("more than 10000 jobs");
  for (const AddJobRequest& r : out)
    if (r.url.empty()) return fail("a job without a URL");
  return true;
}

std::vector<HandInResult> handInUrls(JobContext& ctx, const std::vector<AddJobRequest>& requests) {
  std::vector<HandInResult> results;
  results.reserve(requests.size());
  for (const AddJobRequest& req : requests) {
    HandInResult r;
    UrlParts parts;
    if (parseUrl(std::string_view(req.url), parts) != 1) {
      r.text = "Invalid URLs...";
    } else if (ctx.tree.findJobByUrl(req.url)) {
      r.text = "Duplicate URL";
    } else if (JobRecord* job = addJob(ctx, req)) {
      r.added = true;
      r.job = job;
      r.text = "added to Fetchwright: " + job->fileName;
    } else {
      r.text = "Invalid URLs...";
    }
    results.push_back(std::move(r));
  }
  return results;
}

std::string encodeHandInAnswer(const std::vector<HandInResult>& results) {
  std::string out;
  for (const HandInResult& r : results) {
    out += r.added ? "1\t" : "0\t";
    out += escape(r.text);
    out += '\n';
  }
  return out;
}

std::vector<HandInResult> decodeHandInAnswer(std::string_view payload) {
  std::vector<HandInResult> out;
  while (!payload.empty()) {
    size_t nl = payload.find('\n');
    std::string_view l = payload.substr(0, nl);
    payload = nl == std::string_view::npos ? std::string_view() : payload.substr(nl + 1);
    if (l.size() < 2 || (l[0] != '0' && l[0] != '1') || l[1] != '\t') continue;
    HandInResult r;
    r.added = l[0] == '1';
    if (!unescape(l.substr(2), r.text)) continue;
    out.push_back(std::move(r));
  }
  return out;
}

}  // namespace fw

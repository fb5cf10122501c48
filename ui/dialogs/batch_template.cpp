#include "ui/dialogs/batch_template.h"

#include <cctype>
#include <cstdint>

#include "engine/url/url_parse.h"
#include "platform/ascii_text.h"

namespace fw {

namespace {

// The template split around its one placeholder, with the range it stands for.
struct Parsed {
  std::string error;
  std::string head, tail;
  bool letters = false;
  int64_t from = 0, to = 0;
  int width = 0;
};

bool allDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

bool oneLetter(const std::string& s) {
  return s.size() == 1 && std::isalpha(static_cast<unsigned char>(s[0]));
}

// Reads the range `from`-`to` into `p`; false with p.error set.
bool readRange(const std::string& fromText, const std::string& toText, int width, Parsed& p) {
  const std::string from = trimmed(fromText, " \t"), to = trimmed(toText, " \t");
  if (from.empty() || to.empty()) {
    p.error = "The range needs a first and a last value.";
    return false;
  }
  if (allDigits(from) && allDigits(to)) {
    if (from.size() > 9 || to.size() > 9) {
      p.error = "The numbers of the range may have at most 9 digits.";
      return false;
    }
    p.from = std::stoll(from);
    p.to = std::stoll(to);
  } else if (oneLetter(from) && oneLetter(to)) {
    if (std::isupper(static_cast<unsigned char>(from[0])) !=
        std::isupper(static_cast<unsigned char>(to[0]))) {
      p.error = "Both letters of the range must be of the same case.";
      return false;
    }
    p.letters = true;
    p.from = from[0];
    p.to = to[0];
  } else {
    p.error = "The range must be two numbers (1 to 20) or two letters (a to z).";
    return false;
  }
  if (p.from > p.to) {
    p.error = "The range's first value is after its last.";
    return false;
  }
  if (static_cast<uint64_t>(p.to - p.from) + 1 > kBatchMax) {
    p.error = "The range makes more than 10,000 URLs.";
    return false;
  }
  if (width < 0 || width > kBatchWidthMax) {
    p.error = "The padding width must be 0 to 9.";
    return false;
  }
  p.width = p.letters ? 0 : width;
  return true;
}

Parsed parse(const BatchForm& form) {
  Parsed p;
  const std::string& t = form.pattern;
  const size_t star = t.find('*');
  const size_t open = t.find('[');
  const size_t stars =
      star == std::string::npos ? 0 : 1 + (t.find('*', star + 1) != std::string::npos);
  if (t.find_first_of(" \t\r\n") != std::string::npos) {
    p.error = "The template must not contain blanks.";
    return p;
  }
  if (star == std::string::npos && open == std::string::npos) {
    p.error = "The template has no * or [from-to] to replace.";
    return p;
  }
  if (stars > 1 || (star != std::string::npos && open != std::string::npos)) {
    p.error = "The template may have only one * or [from-to].";
    return p;
  }
  if (star != std::string::npos) {
    if (t.find(']') != std::string::npos) {
      p.error = "The template has a ] without its [.";
      return p;
    }
    p.head = t.substr(0, star);
    p.tail = t.substr(star + 1);
    readRange(form.from, form.to, form.width, p);
    return p;
  }
  const size_t close = t.find(']', open);
  if (close == std::string::npos) {
    p.error = "The template has a [ without its ].";
    return p;
  }
  if (t.find('[', open + 1) != std::string::npos || t.find(']', close + 1) != std::string::npos ||
      t.rfind(']', open) != std::string::npos) {
    p.error = "The template may have only one * or [from-to].";
    return p;
  }
  const std::string inside = t.substr(open + 1, close - open - 1);
  const size_t dash = inside.find('-');
  if (dash == std::string::npos) {
    p.error = "Write the range in brackets as [from-to], for example [1-20] or [a-z].";
    return p;
  }
  p.head = t.substr(0, open);
  p.tail = t.substr(close + 1);
  const std::string from = inside.substr(0, dash);
  // "[01-20]": the first number's digits give the width.
  const int width = allDigits(from) && from.size() > 1 && from[0] == '0'
                        ? static_cast<int>(from.size())
                        : form.width;
  readRange(from, inside.substr(dash + 1), width, p);
  return p;
}

std::string valueText(const Parsed& p, int64_t v) {
  if (p.letters) return std::string(1, static_cast<char>(v));
  std::string digits = std::to_string(v);
  if (static_cast<int>(digits.size()) < p.width)
    digits.insert(0, static_cast<size_t>(p.width) - digits.size(), '0');
  return digits;
}

std::string urlAt(const Parsed& p, int64_t v) {
  return p.head + valueText(p, v) + p.tail;
}

}  // namespace

BatchPlan planBatch(const BatchForm& form) {
  BatchPlan plan;
  Parsed p = parse(form);
  if (!p.error.empty()) {
    plan.error = p.error;
    return plan;
  }
  plan.first = urlAt(p, p.from);
  plan.last = urlAt(p, p.to);
  UrlParts parts;
  if (parseUrl(std::string_view(plan.first), parts) != 1 ||
      parseUrl(std::string_view(plan.last), parts) != 1) {
    plan = BatchPlan{};
    plan.error = "The template does not make valid URLs (http://, https:// or ftp:// and a host).";
    return plan;
  }
  plan.count = static_cast<size_t>(p.to - p.from + 1);
  return plan;
}

std::vector<std::string> expandBatch(const BatchForm& form) {
  std::vector<std::string> urls;
  if (!planBatch(form).ok()) return urls;
  Parsed p = parse(form);
  urls.reserve(static_cast<size_t>(p.to - p.from + 1));
  for (int64_t v = p.from; v <= p.to; ++v) urls.push_back(urlAt(p, v));
  return urls;
}

}  // namespace fw

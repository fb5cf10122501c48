#include "engine/ftp/ftp_listing.h"

#include <cctype>
#include <cstring>

namespace fw {

namespace {

bool isDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

int monthNumber(const std::string& token) {
  static const char* const kMonths = "jan.feb.mar.apr.may.jun.jul.aug.sep.oct.nov.dec";
  if (token.size() != 3) return 0;
  char low[4] = {0};
  for (int i = 0; i < 3; ++i)
    low[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(token[i])));
  const char* hit = std::strstr(kMonths, low);
  if (!hit || (hit - kMonths) % 4 != 0) return 0;
  return static_cast<int>((hit - kMonths) / 4) + 1;
}

struct Token {
  std::string text;
  size_t end;  // index just past the token in the line
};

std::vector<Token> tokenize(const std::string& line, size_t maxTokens) {
  std::vector<Token> out;
  size_t i = 0;
  while (i < line.size() && out.size() < maxTokens) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    size_t b = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    out.push_back({line.substr(b, i - b), i});
  }
  return out;
}

bool parseSize(const std::string& s, int64_t& out) {
  if (!isDigits(s) || s.size() > 18) return false;
  out = std::stoll(s);
  return true;
}

// "hh:mm" with an optional "AM"/"PM" suffix (DOS) -> hour, minute.
bool parseClock(const std::string& s, int& hour, int& minute, bool allowSuffix) {
  size_t colon = s.find(':');
  if (colon == std::string::npos || colon == 0 || colon > 2) return false;
  std::string hh = s.substr(0, colon);
  std::string rest = s.substr(colon + 1);
  std::string suffix;
  if (allowSuffix && rest.size() > 2) {
    suffix = rest.substr(2);
    rest = rest.substr(0, 2);
  }
  if (!isDigits(hh) || !isDigits(rest) || rest.size() != 2) return false;
  hour = std::stoi(hh);
  minute = std::stoi(rest);
  if (!suffix.empty()) {
    std::string up;
    for (char c : suffix) up += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (up != "AM" && up != "PM") return false;
    if (hour < 1 || hour > 12) return false;
    if (up == "PM" && hour != 12) hour += 12;
    if (up == "AM" && hour == 12) hour = 0;
  }
  return hour <= 23 && minute <= 59;
}

// Name: the text after the single blank that follows the date's last token.
std::string nameAfter(const std::string& line, size_t end) {
  if (end < line.size() && (line[end] == ' ' || line[end] == '\t')) ++end;
  // Columns are padded with more than one blank by some servers; names starting with a
  // blank are rare enough that the padding is the likelier reading.
  while (end < line.size() && (line[end] == ' ' || line[end] == '\t')) ++end;
  return line.substr(end);
}

bool parseUnix(const std::string& line, FtpListEntry& out) {
  char kind = line[0];
  if (!std::strchr("-dDlbcps", kind)) return false;
  std::vector<Token> t = tokenize(line, 12);
  if (t.size() < 6) return false;
  // The month is the first token that names one and is followed by a day and a time or year.
  for (size_t m = 2; m + 2 < t.size(); ++m) {
    int month = monthNumber(t[m].text);
    if (!month) continue;
    const std::string& day = t[m + 1].text;
    const std::string& yt = t[m + 2].text;
    if (!isDigits(day) || day.size() > 2) continue;
    int d = std::stoi(day);
    if (d < 1 || d > 31) continue;
    FtpListEntry e;
    if (!parseSize(t[m - 1].text, e.size)) continue;
    e.date.month = static_cast<uint8_t>(month);
    e.date.day = static_cast<uint8_t>(d);
    int hour = 0, minute = 0;
    if (yt.find(':') != std::string::npos) {
      if (!parseClock(yt, hour, minute, false)) continue;
      e.date.hour = static_cast<uint8_t>(hour);
      e.date.minute = static_cast<uint8_t>(minute);
      e.hasTime = true;
    } else if (isDigits(yt) && yt.size() == 4) {
      e.date.year = static_cast<uint16_t>(std::stoi(yt));
      e.hasYear = true;
    } else {
      continue;
    }
    e.name = nameAfter(line, t[m + 2].end);
    e.isDirectory = kind == 'd' || kind == 'D';
    e.isLink = kind == 'l';
    if (e.isLink) {
      size_t arrow = e.name.find(" -> ");
      if (arrow != std::string::npos) e.name.resize(arrow);
    }
    if (e.name.empty()) return false;
    out = e;
    return true;
  }
  return false;
}

bool parseDos(const std::string& line, FtpListEntry& out) {
  std::vector<Token> t = tokenize(line, 4);
  if (t.size() < 4) return false;
  const std::string& date = t[0].text;
  char sep = 0;
  for (char c : date)
    if (c == '-' || c == '/' || c == '.') {
      sep = c;
      break;
    }
  if (!sep) return false;
  int parts[3];
  size_t b = 0;
  for (int i = 0; i < 3; ++i) {
    size_t e = i < 2 ? date.find(sep, b) : date.size();
    if (e == std::string::npos) return false;
    std::string p = date.substr(b, e - b);
    if (!isDigits(p) || p.size() > 4) return false;
    parts[i] = std::stoi(p);
    b = e + 1;
  }
  int month = parts[0], day = parts[1], year = parts[2];
  if (year < 100) year += year < 70 ? 2000 : 1900;
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  int hour = 0, minute = 0;
  if (!parseClock(t[1].text, hour, minute, true)) return false;
  FtpListEntry e;
  e.date.year = static_cast<uint16_t>(year);
  e.date.month = static_cast<uint8_t>(month);
  e.date.day = static_cast<uint8_t>(day);
  e.date.hour = static_cast<uint8_t>(hour);
  e.date.minute = static_cast<uint8_t>(minute);
  e.hasYear = e.hasTime = true;
  if (t[2].text == "<DIR>" || t[2].text == "<dir>") {
    e.isDirectory = true;
  } else if (!parseSize(t[2].text, e.size)) {
    return false;
  }
  e.name = nameAfter(line, t[2].end);
  if (e.name.empty()) return false;
  out = e;
  return true;
}

}  // namespace

bool parseListingLine(const std::string& raw, FtpListEntry& out) {
  std::string line = raw;
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  if (line.size() < 10) return false;
  if (std::isdigit(static_cast<unsigned char>(line[0]))) return parseDos(line, out);
  return parseUnix(line, out);
}

std::vector<FtpListEntry> parseListing(const std::string& text) {
  std::vector<FtpListEntry> out;
  size_t b = 0;
  while (b < text.size()) {
    size_t e = text.find('\n', b);
    if (e == std::string::npos) e = text.size();
    FtpListEntry entry;
    if (parseListingLine(text.substr(b, e - b), entry)) out.push_back(std::move(entry));
    b = e + 1;
  }
  return out;
}

bool isSafeListingName(const std::string& name) {
  if (name.empty() || name.size() > 255 || name == "." || name == "..") return false;
  for (unsigned char c : name)
    if (c == '/' || c < 0x20 || c == 0x7F) return false;
  return true;
}

}  // namespace fw

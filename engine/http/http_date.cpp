#include "engine/http/http_date.h"

#include <cctype>
#include <string>

namespace fw {
namespace {

constexpr std::string_view kMonths = "jan.feb.mar.apr.may.jun.jul.aug.sep.oct.nov.dec";

std::string_view trim(std::string_view s) {
  auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// Leading decimal digits of a token, capped so that hostile input cannot overflow.
int numberOf(std::string_view token) {
  int v = 0;
  for (char c : token) {
    if (!std::isdigit(static_cast<unsigned char>(c))) break;
    v = v * 10 + (c - '0');
    if (v > 99999) return 99999;
  }
  return v;
}

template <typename T>
T clampTo(int v) {
  return static_cast<T>(v > static_cast<int>(T(~T(0))) ? T(~T(0)) : v);
}

enum class Field { Day, Month, Year, Hour, Minute, Second, Done };

}  // namespace

bool parseHttpDate(std::string_view value, DateStamp& out) {
  std::string text(trim(value));
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t space = text.find(' ');
  if (space == std::string::npos) return false;
  text = std::string(trim(std::string_view(text).substr(space)));
  text += " AB";

  bool haveDay = false, haveMonth = false, haveYear = false, haveHour = false;
  Field expect = (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0])))
                     ? Field::Day
                     : Field::Month;
  size_t i = 0;
  while (i < text.size() && expect != Field::Done) {
    size_t start = i;
    while (i < text.size() && std::isalnum(static_cast<unsigned char>(text[i]))) ++i;
    std::string_view token = std::string_view(text).substr(start, i - start);
    if (i == start) {
      ++i;
      continue;
    }
    switch (expect) {
      case Field::Day:
        out.day = clampTo<uint8_t>(numberOf(token));
        haveDay = true;
        expect = haveMonth ? Field::Hour : Field::Month;
        break;
      case Field::Month: {
        size_t pos = kMonths.find(token);
        out.month = pos != std::string_view::npos ? static_cast<uint8_t>(pos / 4 + 1)
                                                  : clampTo<uint8_t>(numberOf(token));
        haveMonth = true;
        expect = haveDay ? Field::Year : Field::Day;
        break;
      }
      case Field::Year:
        out.year = clampTo<uint16_t>(numberOf(token));
        haveYear = true;
        expect = haveHour ? Field::Done : Field::Hour;
        break;
      case Field::Hour:
        out.hour = clampTo<uint8_t>(numberOf(token));
        haveHour = true;
        expect = Field::Minute;
        break;
      case Field::Minute:
        out.minute = clampTo<uint8_t>(numberOf(token));
        expect = Field::Second;
        break;
      case Field::Second:
        out.second = clampTo<uint8_t>(numberOf(token));
        expect = haveYear ? Field::Done : Field::Year;
        break;
      case Field::Done:
        break;
    }
  }
  return true;
}

}  // namespace fw

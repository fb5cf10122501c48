#pragma once
// The 8-byte date of the job record and the job database.

#include <cstdint>
#include <string>

namespace fw {

struct CalendarTime;

struct DateStamp {
  uint16_t year = 0;
  uint8_t month = 0;  // 1-12; 0 = never set
  uint8_t day = 0;
  uint8_t hour = 0;
  uint8_t minute = 0;
  uint8_t second = 0;
  uint8_t weekday = 0;  // 0 = Sunday

  bool isSet() const { return month != 0; }
  // Field by field (weekday excluded): two different dates are never "the same".
  bool sameMoment(const DateStamp& o) const {
    return year == o.year && month == o.month && day == o.day && hour == o.hour &&
           minute == o.minute && second == o.second;
  }
  bool operator==(const DateStamp&) const = default;

  static DateStamp from(const CalendarTime& t);
  // Job list form "%d/%d/%d %d:%d:%d" (month/day/year hour:minute:second).
  std::string listText() const;
  // Detail pane form "%02d/%02d/%02d %02d:%02d:%02d".
  std::string detailText() const;
};

}  // namespace fw

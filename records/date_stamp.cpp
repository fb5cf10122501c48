#include "records/date_stamp.h"

#include <cstdio>

#include "platform/clock.h"

namespace fw {

DateStamp DateStamp::from(const CalendarTime& t) {
  DateStamp d;
  d.year = static_cast<uint16_t>(t.year);
  d.month = static_cast<uint8_t>(t.month);
  d.day = static_cast<uint8_t>(t.day);
  d.hour = static_cast<uint8_t>(t.hour);
  d.minute = static_cast<uint8_t>(t.minute);
  d.second = static_cast<uint8_t>(t.second);
  d.weekday = static_cast<uint8_t>(t.weekday);
  return d;
}

std::string DateStamp::listText() const {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d/%d/%d %d:%d:%d", month, day, year, hour, minute, second);
  return buf;
}

std::string DateStamp::detailText() const {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%02d %02d:%02d:%02d", month, day, year, hour, minute,
                second);
  return buf;
}

}  // namespace fw

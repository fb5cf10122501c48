#pragma once
// HTTP dates (RFC 1123, RFC 850 and asctime forms). Pure functions; any thread.

#include <string_view>

#include "records/date_stamp.h"

namespace fw {

// Fills day, month, year, hour, minute and second of `out` from `value`; the weekday
// and any field the text does not reach are left as they were. A two-digit year stays
// two-digit (RFC 850 "94" gives 94). Returns false, changing nothing, for a value
// without a space (nothing to parse after the weekday).
bool parseHttpDate(std::string_view value, DateStamp& out);

}  // namespace fw

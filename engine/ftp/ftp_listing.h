#pragma once
// Parsing FTP directory listings (UNIX long listings and DOS listings). Pure functions;
// any thread.

#include <cstdint>
#include <string>
#include <vector>

#include "records/date_stamp.h"

namespace fw {

struct FtpListEntry {
  std::string name;
  int64_t size = -1;  // -1 unknown (directories of DOS listings)
  DateStamp date;     // fields the line does not give stay 0
  bool hasYear = false;
  bool hasTime = false;
  bool isDirectory = false;
  bool isLink = false;  // UNIX "l" entry; `name` is the link's own name
};

// Parses one listing line. False for lines that are neither form ("total 12", blanks,
// anything truncated).
bool parseListingLine(const std::string& line, FtpListEntry& out);

// Splits `text` at line ends and parses every line; unparsable lines are left out.
std::vector<FtpListEntry> parseListing(const std::string& text);

// Whether a listed name may become a local file or folder name and a URL component:
// not empty, at most 255 bytes, no "/", not "." or "..", no control characters.
bool isSafeListingName(const std::string& name);

// A date complete enough to compare with another (year, day and time of day given).
inline bool listingDateComplete(const FtpListEntry& e) {
  return e.hasYear && e.hasTime;
}

}  // namespace fw

#pragma once
// What the walk of an FTP directory hands to the main thread: one record per listed
// file, and the parameter of the control request that carries them. Plain records; the
// Role fills them on its thread, the controller and its host read them on the main
// thread while the Role waits for the answer.

#include <cstdint>
#include <string>
#include <vector>

#include "records/date_stamp.h"

namespace fw {

struct DirectoryFile {
  std::string url;     // the directory job's URL + the percent-encoded relative path
  std::string subDir;  // relative folder below the fetched directory, "" or "sub/deeper"
  int64_t size = -1;   // as listed; -1 unknown
  DateStamp date;      // as listed; fields the listing did not give stay 0
};

// How the files of one listing became jobs.
struct DirectoryAddCount {
  int added = 0;
  int duplicates = 0;  // URL already in the tree
  int refused = 0;     // URL or folder refused
};

// lParam of CtlDirectoryListed. The Role owns it; the controller fills `count`.
struct DirectoryHandOff {
  std::vector<DirectoryFile> files;
  DirectoryAddCount count;
};

}  // namespace fw

#pragma once
// The desktop program's command line: `fetchwright [--help | --version] [FILE.npd] [URL...]`.
// A desktop entry passes what the user opened as URLs (%U): a file:// URL names a job
// database, an http://, https:// or ftp:// URL is a download to offer. Widget-free; any
// thread. Other arguments starting with "-" are left to Qt; other files are not opened.

#include <string>
#include <vector>

namespace fw {

struct ProgramArguments {
  enum class Action { Run, Help, Version, Bad };
  Action action = Action::Run;
  std::string database;           // the first *.npd argument; "" for the stored one
  std::vector<std::string> urls;  // in the order given, duplicates dropped
  std::string error;              // for Bad
};

ProgramArguments parseProgramArguments(const std::vector<std::string>& args);

// The text `fetchwright --help` prints.
std::string programUsage();

}  // namespace fw

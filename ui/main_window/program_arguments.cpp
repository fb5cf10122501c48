#include "ui/main_window/program_arguments.h"
#include "platform/ascii_text.h"

#include <algorithm>
#include <cctype>

namespace fw {

namespace {

bool isDownloadUrl(std::string_view s) {
  return startsWithNoCase(s, "http://") || startsWithNoCase(s, "https://") ||
         startsWithNoCase(s, "ftp://");
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// file:///path or file://localhost/path to /path, percent escapes decoded; "" otherwise.
std::string localPathOfFileUrl(std::string_view url) {
  std::string_view rest = url.substr(7);  // after "file://"
  if (startsWithNoCase(rest, "localhost/")) rest.remove_prefix(9);
  if (rest.empty() || rest[0] != '/') return {};
  std::string out;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size() && hexValue(rest[i + 1]) >= 0 &&
        hexValue(rest[i + 2]) >= 0) {
      char c = static_cast<char>(hexValue(rest[i + 1]) * 16 + hexValue(rest[i + 2]));
      if (c == '\0') return {};
      out += c;
      i += 2;
    } else {
      out += rest[i];
    }
  }
  return out;
}

bool hasControlCharacter(std::string_view s) {
  return std::any_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

}  // namespace

ProgramArguments parseProgramArguments(const std::vector<std::string>& args) {
  ProgramArguments out;
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      out.action = ProgramArguments::Action::Help;
      return out;
    }
    if (a == "--version") {
      out.action = ProgramArguments::Action::Version;
      return out;
    }
    // Qt's own options (-platform, -style...) are Qt's; their values are not files.
    if (a.size() > 1 && a[0] == '-') continue;
    if (isDownloadUrl(a)) {
      if (hasControlCharacter(a)) continue;
      if (std::find(out.urls.begin(), out.urls.end(), a) == out.urls.end()) out.urls.push_back(a);
      continue;
    }
    std::string file = startsWithNoCase(a, "file://") ? localPathOfFileUrl(a) : a;
    if (file.empty()) {
      out.action = ProgramArguments::Action::Bad;
      out.error = "cannot open " + a;
      return out;
    }
    // One job database at a time: a second one is not opened.
    if (out.database.empty() && endsWithNoCase(file, ".npd")) out.database = file;
  }
  return out;
}

std::string programUsage() {
  return "Usage: fetchwright [FILE.npd] [URL...]\n"
         "Opens the download manager's window with the job database FILE.npd (default: the\n"
         "one used last). Each http://, https:// or ftp:// URL is offered as a new job, to the\n"
         "copy already running when there is one.\n"
         "\n"
         "  -h, --help     show this text and exit\n"
         "      --version  show the version and exit\n";
}

}  // namespace fw

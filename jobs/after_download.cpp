#include "jobs/after_download.h"

#include <spawn.h>
#include <sys/wait.h>
#include <cctype>

#include <thread>

extern char** environ;

namespace fw {

namespace {

bool matchPattern(const std::string& ext, const std::string& pattern) {
  if (ext.size() != pattern.size()) return false;
  for (size_t i = 0; i < ext.size(); ++i) {
    if (pattern[i] == '?') continue;
    if (std::toupper(static_cast<unsigned char>(ext[i])) !=
        std::toupper(static_cast<unsigned char>(pattern[i])))
      return false;
  }
  return true;
}

}  // namespace

bool extensionListed(const std::string& fileName, const std::string& types) {
  size_t dot = fileName.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = fileName.substr(dot);
  size_t pos = 0;
  while (pos <= types.size()) {
    size_t semi = types.find(';', pos);
    if (semi == std::string::npos) semi = types.size();
    std::string entry = types.substr(pos, semi - pos);
    if (!entry.empty() && matchPattern(ext, entry)) return true;
    pos = semi + 1;
  }
  return false;
}

std::vector<std::string> afterDownloadArgv(const std::string& program, const std::string& params,
                                           const std::string& filePath) {
  std::vector<std::string> argv{program};
  std::string word;
  bool inWord = false, quoted = false;
  for (char c : params) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (!quoted && std::isspace(static_cast<unsigned char>(c))) {
      if (inWord) argv.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) argv.push_back(word);
  argv.push_back(filePath);
  return argv;
}

bool launchDetached(const std::vector<std::string>& argv) {
  if (argv.empty() || argv[0].empty()) return false;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ);
  if (rc != 0) return false;
  // Nobody waits for the program; a small thread reaps it so it leaves no zombie.
  std::thread([pid] {
    int status = 0;
    waitpid(pid, &status, 0);
  }).detach();
  return true;
}

}  // namespace fw

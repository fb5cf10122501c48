#pragma once
// The command line of fetchwright-cli. Option names are an interface: scripts rely on them.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fw {

struct CliProxy {
  uint8_t type = 0;  // 2 HTTP CONNECT, 8 SOCKS4, 9 SOCKS5
  std::string host;
  uint16_t port = 0;
  std::string user;
  std::string password;
};

struct CliOptions {
  std::vector<std::string> urls;
  std::optional<int> split;           // -s/--split: split count 1..15
  std::optional<std::string> dir;     // -d/--dir
  std::optional<std::string> output;  // -o/--output (one URL only)
  std::optional<std::string> referer;
  std::optional<std::string> user;
  std::optional<std::string> password;
  std::optional<CliProxy> proxy;
  std::optional<int> jobs;          // -j/--jobs: "SimuRole" 1..10
  std::optional<int64_t> limit;     // --limit: bytes per second (Manual mode)
  std::optional<uint32_t> retries;  // "RetryNum"
  std::optional<int> retryDelay;    // "Relayt" seconds
  std::optional<int> timeout;       // "ConnOut" and "DataOut" seconds
  bool noVerify = false;            // "TlsVerify" 0 for the run
  std::optional<std::string> db;
  bool again = false;  // --again: a URL already downloaded is fetched anew
  bool resume = false;
  bool list = false;
  bool log = false;
  bool recursive = false;    // -r/--recursive: FTP directory jobs walk sub-directories
  bool ftpCategory = false;  // --ftp-category: a category for each fetched FTP directory
  bool pace = false;         // --pace: the desktop program's pacing for this run
  bool help = false;
  bool version = false;
};

struct CliParseResult {
  CliOptions options;
  // Empty on success; otherwise one line naming the bad argument.
  std::string error;
};

CliParseResult parseCliOptions(const std::vector<std::string>& args);

// "600", "64K", "2M" (1024-based); nullopt for anything else or for 0.
std::optional<int64_t> parseRate(const std::string& text);
// "http://", "socks4://" or "socks5://", optional "user:password@", host and port.
std::optional<CliProxy> parseProxyUrl(const std::string& text);

// The --help text.
std::string cliUsage();

}  // namespace fw

#include "cli/cli_options.h"

#include <charconv>
#include <limits>

#include "engine/base/proxy_record.h"
#include "engine/url/ftp_directory_url.h"
#include "engine/url/host_text.h"

namespace fw {

namespace {

template <typename T>
std::optional<T> parseNumber(const std::string& s) {
  T v{};
  if (s.empty()) return std::nullopt;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
  return v;
}

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

std::optional<int64_t> parseRate(const std::string& text) {
  if (text.empty()) return std::nullopt;
  int64_t mult = 1;
  std::string digits = text;
  char last = text.back();
  if (last == 'k' || last == 'K') mult = 1024;
  if (last == 'm' || last == 'M') mult = 1024 * 1024;
  if (mult != 1) digits.pop_back();
  auto n = parseNumber<int64_t>(digits);
  if (!n || *n <= 0 || *n > std::numeric_limits<int64_t>::max() / mult) return std::nullopt;
  return *n * mult;
}

std::optional<CliProxy> parseProxyUrl(const std::string& text) {
  CliProxy p;
  size_t sep = text.find("://");
  if (sep == std::string::npos) return std::nullopt;
  std::string scheme = lower(text.substr(0, sep));
  if (scheme == "http")
    p.type = kProxyHttpConnect;
  else if (scheme == "socks4")
    p.type = kProxySocks4;
  else if (scheme == "socks5")
    p.type = kProxySocks5;
  else
    return std::nullopt;
  std::string rest = text.substr(sep + 3);
  if (!rest.empty() && rest.back() == '/') rest.pop_back();
  if (rest.find('/') != std::string::npos) return std::nullopt;
  size_t at = rest.rfind('@');
  if (at != std::string::npos) {
    std::string cred = rest.substr(0, at);
    rest = rest.substr(at + 1);
    size_t colon = cred.find(':');
    p.user = cred.substr(0, colon);
    if (colon != std::string::npos) p.password = cred.substr(colon + 1);
  }
  // "[::1]:1080" names a proxy on an IPv6 address.
  int port = 0;
  if (!splitHostPort(rest, p.host, port) || p.host.empty() || port == 0) return std::nullopt;
  p.port = static_cast<uint16_t>(port);
  return p;
}

CliParseResult parseCliOptions(const std::vector<std::string>& args) {
  CliParseResult r;
  CliOptions& o = r.options;
  auto fail = [&](const std::string& msg) {
    r.error = msg;
    return r;
  };
  bool endOfOptions = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (endOfOptions || a.empty() || a[0] != '-' || a == "-") {
      o.urls.push_back(a);
      continue;
    }
    if (a == "--") {
      endOfOptions = true;
      continue;
    }
    // "--name=value" and "--name value" are both accepted.
    std::string name = a;
    std::optional<std::string> inlineValue;
    if (a.rfind("--", 0) == 0) {
      size_t eq = a.find('=');
      if (eq != std::string::npos) {
        name = a.substr(0, eq);
        inlineValue = a.substr(eq + 1);
      }
    }
    auto value = [&]() -> std::optional<std::string> {
      if (inlineValue) return inlineValue;
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    auto flag = [&](bool& target) -> bool {
      if (inlineValue) return false;
      target = true;
      return true;
    };
    auto intIn = [&](int lo, int hi) -> std::optional<int> {
      auto v = value();
      if (!v) return std::nullopt;
      auto n = parseNumber<int>(*v);
      if (!n || *n < lo || *n > hi) return std::nullopt;
      return n;
    };

    if (name == "-h" || name == "--help") {
      if (!flag(o.help)) return fail("option " + name + " takes no value");
    } else if (name == "--version") {
      if (!flag(o.version)) return fail("option " + name + " takes no value");
    } else if (name == "--resume") {
      if (!flag(o.resume)) return fail("option " + name + " takes no value");
    } else if (name == "--again") {
      if (!flag(o.again)) return fail("option " + name + " takes no value");
    } else if (name == "--list") {
      if (!flag(o.list)) return fail("option " + name + " takes no value");
    } else if (name == "--log") {
      if (!flag(o.log)) return fail("option " + name + " takes no value");
    } else if (name == "-r" || name == "--recursive") {
      if (!flag(o.recursive)) return fail("option " + name + " takes no value");
    } else if (name == "--ftp-category") {
      if (!flag(o.ftpCategory)) return fail("option " + name + " takes no value");
    } else if (name == "--pace") {
      if (!flag(o.pace)) return fail("option " + name + " takes no value");
    } else if (name == "--no-verify") {
      if (!flag(o.noVerify)) return fail("option " + name + " takes no value");
    } else if (name == "-s" || name == "--split") {
      if (!(o.split = intIn(1, 15))) return fail(name + " needs a split count from 1 to 15");
    } else if (name == "-j" || name == "--jobs") {
      if (!(o.jobs = intIn(1, 10))) return fail(name + " needs a job count from 1 to 10");
    } else if (name == "--retries") {
      auto v = value();
      auto n = v ? parseNumber<uint32_t>(*v) : std::nullopt;
      if (!n || *n > 60000) return fail(name + " needs a retry count from 0 to 60000");
      o.retries = n;
    } else if (name == "--retry-delay") {
      if (!(o.retryDelay = intIn(1, 600))) return fail(name + " needs seconds from 1 to 600");
    } else if (name == "--timeout") {
      if (!(o.timeout = intIn(1, 600))) return fail(name + " needs seconds from 1 to 600");
    } else if (name == "--limit") {
      auto v = value();
      if (!v || !(o.limit = parseRate(*v)))
        return fail(name +
                    " needs bytes per second, optionally with K or M (for example 600, 64K)");
    } else if (name == "--proxy") {
      auto v = value();
      if (!v || !(o.proxy = parseProxyUrl(*v)))
        return fail(name + " needs http://, socks4:// or socks5:// [user:password@]host:port");
    } else if (name == "-d" || name == "--dir" || name == "-o" || name == "--output" ||
               name == "--referer" || name == "--user" || name == "--password" || name == "--db") {
      auto v = value();
      if (!v || v->empty()) return fail("option " + name + " needs a value");
      if (name == "-d" || name == "--dir") o.dir = *v;
      if (name == "-o" || name == "--output") o.output = *v;
      if (name == "--referer") o.referer = *v;
      if (name == "--user") o.user = *v;
      if (name == "--password") o.password = *v;
      if (name == "--db") o.db = *v;
    } else {
      return fail("unknown option " + a);
    }
  }
  if (o.help || o.version) return r;
  if (o.output && o.urls.size() != 1) return fail("option --output needs exactly one URL");
  if (o.output &&
      (o.output->find('/') != std::string::npos || *o.output == "." || *o.output == ".."))
    return fail("option --output takes a file name, not a path (use --dir for the folder)");
  if (o.output && isFtpDirectoryUrl(o.urls.front()))
    return fail("option --output needs a file URL; " + o.urls.front() + " names a directory");
  if (o.urls.empty() && !o.resume && !o.list) return fail("no URL given (see --help)");
  return r;
}

std::string cliUsage() {
  return R"(Usage: fetchwright-cli [options] URL...
       fetchwright-cli --resume | --list [options]

Downloads each URL over several connections and exits when every job has ended:
0 all completed, 1 any failed, 2 bad arguments, 130 interrupted (resume with --resume).
An ftp:// URL ending in "/" names a directory: each file in it is downloaded.
A URL given again is resumed when unfinished, and reported as downloaded when its
file is still there (fetched anew with --again, or when the file is gone).
IPv6 addresses are written in brackets: http://[2001:db8::1]:8080/file.

  -s, --split N        connections per file (1-15)
  -d, --dir DIR        save folder
  -o, --output NAME    file name (one URL only)
      --referer URL    Referer sent with each request
      --user U         login name for the server
      --password P     login password
      --proxy URL      http://, socks4:// or socks5:// [user:password@]host:port
  -j, --jobs N         files downloaded at once (1-10)
      --limit RATE     bytes per second for all downloads, K or M suffix (1024-based)
      --retries N      retries per file
      --retry-delay S  seconds between retries
      --timeout S      connect and data time-out in seconds
      --no-verify      do not check TLS certificates
      --pace           pace like the desktop program: each connection waits 0.6 s
                       before it connects, and a queued file starts on the next
                       once-a-second tick after a download ends (default: at once)
  -r, --recursive      FTP directories: sub-directories too, kept as folders
      --ftp-category   FTP directories: file the jobs in a category named after it
      --db FILE        job database (default: the one the desktop program uses)
      --again          fetch a URL already downloaded anew (its file is replaced)
      --resume         run every unfinished job of the database
      --list           list the database's jobs
      --log            print each connection's log lines as they arrive
  -h, --help           this text
      --version        the version
)";
}

}  // namespace fw

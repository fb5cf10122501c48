#include "platform/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#ifndef FW_INSTALL_PREFIX
#define FW_INSTALL_PREFIX "/usr/local"
#endif

namespace fw {
namespace {

std::string stripTrailingSlashes(std::string p) {
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

// XDG treats relative paths in its variables as invalid.
std::string absoluteVar(const EnvLookup& env, const char* name) {
  std::string v = env(name);
  if (v.empty() || v[0] != '/') return {};
  return stripTrailingSlashes(v);
}

std::string fetchwrightHome(const EnvLookup& env) {
  return absoluteVar(env, "FETCHWRIGHT_HOME");
}

std::string xdgBase(const EnvLookup& env, const char* var, const char* fallbackUnderHome) {
  std::string v = absoluteVar(env, var);
  if (!v.empty()) return v;
  std::string home = homeDir(env);
  return (home == "/" ? std::string() : home) + "/" + fallbackUnderHome;
}

// Reads XDG_DOWNLOAD_DIR from a user-dirs.dirs file: a shell fragment of lines
// XDG_DOWNLOAD_DIR="$HOME/Downloads" or XDG_DOWNLOAD_DIR="/abs/path".
std::string userDirsDownload(const std::string& file, const std::string& home) {
  std::ifstream in(file);
  std::string line;
  std::string found;
  while (std::getline(in, line)) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] == '#') continue;
    static const char kKey[] = "XDG_DOWNLOAD_DIR=";
    if (line.compare(i, sizeof(kKey) - 1, kKey) != 0) continue;
    i += sizeof(kKey) - 1;
    if (i >= line.size() || line[i] != '"') continue;
    std::string value;
    bool closed = false;
    for (++i; i < line.size(); ++i) {
      char c = line[i];
      if (c == '\\' && i + 1 < line.size()) {
        value += line[++i];
      } else if (c == '"') {
        closed = true;
        break;
      } else {
        value += c;
      }
    }
    if (!closed) continue;
    if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/')) {
      value = home + value.substr(5);
    } else if (value.empty() || value[0] != '/') {
      continue;
    }
    found = stripTrailingSlashes(value);  // the last assignment wins, as in a shell
  }
  return found;
}

bool startsWithFolderNoCase(const std::string& path, const char* folder, size_t* restAt) {
  size_t n = std::strlen(folder);
  if (path.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    char a = path[i], b = folder[i];
    if (b == '\\') {
      if (a != '\\' && a != '/') return false;
    } else if (std::tolower(static_cast<unsigned char>(a)) !=
               std::tolower(static_cast<unsigned char>(b))) {
      return false;
    }
  }
  if (path.size() == n) {
    *restAt = n;
    return true;
  }
  if (path[n] != '\\' && path[n] != '/') return false;  // "C:\DownloadedX" is another folder
  *restAt = n;
  return true;
}

}  // namespace

EnvLookup processEnv() {
  return [](const std::string& name) {
    const char* v = std::getenv(name.c_str());
    return v ? std::string(v) : std::string();
  };
}

std::string homeDir(const EnvLookup& env) {
  std::string h = env("HOME");
  if (!h.empty()) return stripTrailingSlashes(h);
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buf(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd pw{};
  passwd* res = nullptr;
  if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &res) == 0 && res && res->pw_dir &&
      res->pw_dir[0] == '/') {
    return stripTrailingSlashes(res->pw_dir);
  }
  return "/";
}

std::string configDir(const EnvLookup& env) {
  std::string fh = fetchwrightHome(env);
  if (!fh.empty()) return fh + "/config";
  return xdgBase(env, "XDG_CONFIG_HOME", ".config") + "/fetchwright";
}

std::string dataDir(const EnvLookup& env) {
  std::string fh = fetchwrightHome(env);
  if (!fh.empty()) return fh + "/data";
  return xdgBase(env, "XDG_DATA_HOME", ".local/share") + "/fetchwright";
}

std::string runtimeDir(const EnvLookup& env) {
  std::string fh = fetchwrightHome(env);
  if (!fh.empty()) return fh + "/runtime";
  std::string rt = absoluteVar(env, "XDG_RUNTIME_DIR");
  if (!rt.empty()) return rt + "/fetchwright";
  return "/tmp/fetchwright-" + std::to_string(getuid());
}

std::string downloadDir(const EnvLookup& env) {
  std::string fh = fetchwrightHome(env);
  if (!fh.empty()) return fh + "/Downloads";
  std::string home = homeDir(env);
  std::string fromFile =
      userDirsDownload(xdgBase(env, "XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs", home);
  if (!fromFile.empty()) return fromFile;
  return (home == "/" ? std::string() : home) + "/Downloads";
}

std::string executablePath() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

std::string executableFolder() {
  std::string path = executablePath();
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string shareDirFor(const std::string& executable, const std::string& builtPrefix,
                        const std::function<bool(const std::string&)>& isFolder) {
  const std::string tail = "/share/fetchwright";
  size_t slash = executable.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    std::string folder = executable.substr(0, slash);
    size_t up = folder.rfind('/');
    if (up != std::string::npos && folder.compare(up, std::string::npos, "/bin") == 0) {
      std::string candidate = folder.substr(0, up) + tail;
      if (isFolder(candidate)) return candidate;
    }
  }
  std::string prefix = stripTrailingSlashes(builtPrefix);
  return (prefix == "/" ? std::string() : prefix) + tail;
}

std::string shareDir() {
  // The executable does not move while it runs: looked up once.
  static const std::string dir =
      shareDirFor(executablePath(), FW_INSTALL_PREFIX, [](const std::string& p) {
        struct stat st {};
        return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      });
  return dir;
}

std::string mapWindowsFolder(const std::string& path, const EnvLookup& env) {
  size_t rest = 0;
  std::string base;
  if (startsWithFolderNoCase(path, "C:\\Downloaded", &rest)) {
    base = downloadDir(env);
  } else if (startsWithFolderNoCase(path, "C:\\Deleted", &rest)) {
    base = downloadDir(env) + "/Deleted";
  } else {
    return path;
  }
  std::string tail = path.substr(rest);
  for (char& c : tail) {
    if (c == '\\') c = '/';
  }
  while (!tail.empty() && tail.back() == '/') tail.pop_back();
  return base + tail;
}

bool makeDirs(const std::string& path, mode_t mode, std::string* error) {
  if (path.empty()) {
    if (error) *error = "empty path";
    return false;
  }
  size_t pos = 0;
  while (true) {
    pos = path.find('/', pos + 1);
    std::string part = path.substr(0, pos);
    if (!part.empty() && mkdir(part.c_str(), mode) != 0 && errno != EEXIST) {
      if (error) *error = "cannot create " + part + ": " + std::strerror(errno);
      return false;
    }
    if (pos == std::string::npos) break;
  }
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    if (error) *error = path + " is not a folder";
    return false;
  }
  return true;
}

}  // namespace fw

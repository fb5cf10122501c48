#include "capture/host/host_manifests.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>

#include "capture/module/program_link.h"
#include "platform/file_lock.h"

namespace fw {

namespace {

using nlohmann::json;

std::string xdgConfigHome(const EnvLookup& env) {
  std::string dir = env("XDG_CONFIG_HOME");
  if (dir.empty() || dir[0] != '/') dir = homeDir(env) + "/.config";
  return dir;
}

bool programExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && path[0] == '/' && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::vector<HostManifestPlace> hostManifestPlaces(const EnvLookup& env) {
  std::string file = std::string("/") + kNativeHostName + ".json";
  std::string config = xdgConfigHome(env);
  return {
      {"Chromium", config + "/chromium/NativeMessagingHosts" + file, false},
      {"Google Chrome", config + "/google-chrome/NativeMessagingHosts" + file, false},
      {"Firefox", homeDir(env) + "/.mozilla/native-messaging-hosts" + file, true},
  };
}

std::string hostManifestText(const std::string& hostPath, bool firefox) {
  json m = {{"name", kNativeHostName},
            {"description", "Fetchwright browser capture"},
            {"path", hostPath},
            {"type", "stdio"}};
  if (firefox)
    m["allowed_extensions"] = {kFirefoxExtensionId};
  else
    m["allowed_origins"] = {std::string("chrome-extension://") + kChromiumExtensionId + "/"};
  return m.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string hostPathInManifest(const std::string& manifestPath) {
  std::string text;
  int err = 0;
  if (!readFileContents(manifestPath, text, err) || text.size() > 64 * 1024) return "";
  json m = json::parse(text, nullptr, false);
  if (m.is_discarded() || !m.is_object()) return "";
  auto it = m.find("path");
  return it != m.end() && it->is_string() ? it->get<std::string>() : std::string();
}

std::string installedHostPath() {
  std::string beside = executableFolder() + "/snarebolt-host";
  if (programExists(beside)) return beside;
  return installPrefix() + "/bin/snarebolt-host";
}

std::vector<ManifestResult> registerNativeHost(const std::string& hostPath, const EnvLookup& env) {
  std::vector<ManifestResult> results;
  for (const HostManifestPlace& place : hostManifestPlaces(env)) {
    ManifestResult r{place, ManifestAction::Kept, {}};
    if (!programExists(hostPathInManifest(place.path))) {
      if (!makeDirs(parentDir(place.path), 0755, &r.error) ||
          !writeFileReplacing(place.path, hostManifestText(hostPath, place.firefox), 0644,
                              &r.error))
        r.action = ManifestAction::Failed;
      else
        r.action = ManifestAction::Written;
    }
    results.push_back(std::move(r));
  }
  return results;
}

std::vector<ManifestResult> unregisterNativeHost(const std::string& hostPath,
                                                 const EnvLookup& env) {
  std::vector<ManifestResult> results;
  for (const HostManifestPlace& place : hostManifestPlaces(env)) {
    ManifestResult r{place, ManifestAction::Kept, {}};
    if (hostPathInManifest(place.path) == hostPath) {
      if (::unlink(place.path.c_str()) == 0) {
        r.action = ManifestAction::Removed;
      } else {
        r.action = ManifestAction::Failed;
        r.error = std::strerror(errno);
      }
    }
    results.push_back(std::move(r));
  }
  return results;
}

}  // namespace fw

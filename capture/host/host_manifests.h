#pragma once
// Registration of the native-messaging host with the browsers: one manifest per browser,
// naming the host program and the one extension allowed to start it.
//   Chromium        $XDG_CONFIG_HOME/chromium/NativeMessagingHosts/<name>.json
//   Google Chrome   $XDG_CONFIG_HOME/google-chrome/NativeMessagingHosts/<name>.json
//   Firefox         $HOME/.mozilla/native-messaging-hosts/<name>.json
// ($XDG_CONFIG_HOME defaults to $HOME/.config; Firefox does not look in an XDG folder.)
// Any thread; the files are replaced atomically.

#include <string>
#include <vector>

#include "platform/paths.h"

namespace fw {

inline constexpr const char* kNativeHostName = "org.fetchwright.snarebolt";
// The extension's ids: Chromium derives it from the manifest's fixed key; Firefox takes
// the one its manifest names.
inline constexpr const char* kChromiumExtensionId = "jjaafaicnmkddfcencenhnhfddhbkkch";
inline constexpr const char* kFirefoxExtensionId = "capture@fetchwright.example";

struct HostManifestPlace {
  std::string browser;  // "Chromium", "Google Chrome", "Firefox"
  std::string path;     // the manifest file
  bool firefox = false;
};

std::vector<HostManifestPlace> hostManifestPlaces(const EnvLookup& env = processEnv());

// The manifest text for `hostPath` (absolute).
std::string hostManifestText(const std::string& hostPath, bool firefox);

// The "path" a manifest file names; "" when it cannot be read or holds none.
std::string hostPathInManifest(const std::string& manifestPath);

// snarebolt-host beside the running executable when it is there, else
// <install prefix>/bin/snarebolt-host.
std::string installedHostPath();

enum class ManifestAction { Written, Kept, Removed, Failed };

struct ManifestResult {
  HostManifestPlace place;
  ManifestAction action = ManifestAction::Kept;
  std::string error;  // for Failed
};

// Writes each manifest that is missing, unreadable, or names a host program that no longer
// exists (creating its folders); a manifest naming an existing program is kept. Run at
// every start of the desktop program and by `snarebolt-host --register`.
std::vector<ManifestResult> registerNativeHost(const std::string& hostPath,
                                               const EnvLookup& env = processEnv());

// Removes each manifest that names `hostPath` (others are kept).
std::vector<ManifestResult> unregisterNativeHost(const std::string& hostPath,
                                                 const EnvLookup& env = processEnv());

}  // namespace fw

#pragma once
// Where Fetchwright keeps its files on Linux.
//
// Per-user folders follow the XDG base directories:
//   configDir()   $XDG_CONFIG_HOME/fetchwright   (default ~/.config/fetchwright)   registry,
//   cookies dataDir()     $XDG_DATA_HOME/fetchwright     (default ~/.local/share/fetchwright) job
//   database runtimeDir()  $XDG_RUNTIME_DIR/fetchwright   (without it /tmp/fetchwright-<uid>)
//   control socket downloadDir() XDG_DOWNLOAD_DIR of $XDG_CONFIG_HOME/user-dirs.dirs, else
//   $HOME/Downloads
// An XDG variable that is empty or not an absolute path counts as unset.
//
// FETCHWRIGHT_HOME (absolute path) moves every per-user file under one folder, ignoring the
// XDG variables and user-dirs.dirs:
//   $FETCHWRIGHT_HOME/config     configDir()
//   $FETCHWRIGHT_HOME/data       dataDir()
//   $FETCHWRIGHT_HOME/runtime    runtimeDir()
//   $FETCHWRIGHT_HOME/Downloads  downloadDir()
//
// shareDir() is the read-only program data: <prefix>/share/fetchwright. <prefix> is the folder
// above the running executable's "bin" when that holds share/fetchwright (an installed copy,
// wherever it was installed or unpacked), else the FW_INSTALL_PREFIX the program was built
// with (default /usr/local; programs run from the build tree). FETCHWRIGHT_HOME does not
// move it.
//
// None of these functions creates a folder; makeDirs() does. Results carry no trailing "/".
// Thread safety: any thread (processEnv() reads getenv, which must not race with setenv).

#include <sys/types.h>

#include <functional>
#include <string>

namespace fw {

// Looks up one environment variable; "" when it is unset or empty.
using EnvLookup = std::function<std::string(const std::string& name)>;

// The process environment (getenv).
EnvLookup processEnv();

// $HOME, else the home folder of the password database, else "/".
std::string homeDir(const EnvLookup& env = processEnv());
std::string configDir(const EnvLookup& env = processEnv());
std::string dataDir(const EnvLookup& env = processEnv());
std::string runtimeDir(const EnvLookup& env = processEnv());
std::string downloadDir(const EnvLookup& env = processEnv());
std::string shareDir();

// The running executable (/proc/self/exe) and its folder; "" when unknown.
std::string executablePath();
std::string executableFolder();

// shareDir() for an executable at `executable`, given the compiled-in prefix; `isFolder`
// answers whether a path is an existing folder.
std::string shareDirFor(const std::string& executable, const std::string& builtPrefix,
                        const std::function<bool(const std::string&)>& isFolder);

// Maps the Windows folders that stored settings and job records name onto Linux folders:
// "C:\Downloaded" -> downloadDir(), "C:\Downloaded\Music\x" -> downloadDir() + "/Music/x",
// "C:\Deleted" -> downloadDir() + "/Deleted". The folder names compare case-insensitively and
// either separator is accepted after them. Any other text is returned unchanged.
std::string mapWindowsFolder(const std::string& path, const EnvLookup& env = processEnv());

// Creates `path` and its missing parents; each folder created gets `mode` (folders that exist
// are left as they are). True when `path` is a folder afterwards; otherwise `error` (when given)
// holds the reason.
bool makeDirs(const std::string& path, mode_t mode, std::string* error = nullptr);

}  // namespace fw

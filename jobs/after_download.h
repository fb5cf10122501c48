#pragma once
// The program run after a download: which files it is run for and its argument vector.
// It is started without a shell, so a file name chosen by a server stays one argument
// and can never become a command.

#include <string>
#include <vector>

namespace fw {

// True when the extension of `fileName` (from its last ".") matches one entry of
// `types` (";"-separated, like ".ZIP;.DO?"; "?" matches one character), ignoring case.
bool extensionListed(const std::string& fileName, const std::string& types);

// program, the words of `params` (split at blanks; double quotes group words), then
// `filePath` as one argument.
std::vector<std::string> afterDownloadArgv(const std::string& program, const std::string& params,
                                           const std::string& filePath);

// Starts argv[0] (searched in PATH when it has no "/") detached from the caller, with
// no shell in between. False when it could not be started.
bool launchDetached(const std::vector<std::string>& argv);

}  // namespace fw

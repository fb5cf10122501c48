#pragma once
// Names and folders of a job's target file. Pure path arithmetic plus folder creation;
// any thread.

#include <string>

namespace fw {

class FileSystem;

// Longest file name Auto Rename produces before cutting it back to kRenameCut characters.
inline constexpr size_t kRenameLimit = 1999;
inline constexpr size_t kRenameCut = 1990;

// A name that stays inside its save directory: not empty, no "/", no NUL byte, not "."
// and not "..". Every open, rename and delete of a target checks it first.
bool fileNameUsable(const std::string& name);

// A save directory the program writes into: an absolute path.
bool saveDirUsable(const std::string& dir);

// saveDir + "/" + fileName (no doubled "/" when saveDir ends with one).
std::string targetFullPath(const std::string& saveDir, const std::string& fileName);
// The full path with ".np!" appended.
std::string targetTempPath(const std::string& saveDir, const std::string& fileName);
// The path the running job writes to: the temporary one while `tempExt` is set.
std::string targetWorkPath(const std::string& saveDir, const std::string& fileName, bool tempExt);

// The Auto Rename candidate number `n`: "(n)" inserted before the last "." of `fileName`,
// or appended when there is none (setup.exe -> setup(1).exe, README -> README(1),
// a.tar.gz -> a.tar(1).gz). A result longer than 1999 characters is cut to its first 1990.
std::string autoRenameName(const std::string& fileName, int n);

// Makes sure `path` is a usable folder. A path that is not absolute, or is the root alone,
// is replaced by `fallbackDir` (the default download folder), which is then created when
// missing. Otherwise every missing level is created; when a level cannot be created,
// `path` is cut back to the deepest level that exists and the result is false.
bool ensureDirectory(FileSystem& fs, std::string& path, const std::string& fallbackDir);

}  // namespace fw

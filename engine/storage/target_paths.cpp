#include "engine/storage/target_paths.h"

#include "platform/file_system.h"
#include "records/job_record.h"

namespace fw {

bool fileNameUsable(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

bool saveDirUsable(const std::string& dir) {
  return !dir.empty() && dir[0] == '/' && dir.find('\0') == std::string::npos;
}

std::string targetFullPath(const std::string& saveDir, const std::string& fileName) {
  if (!saveDir.empty() && saveDir.back() == '/') return saveDir + fileName;
  return saveDir + "/" + fileName;
}

std::string targetTempPath(const std::string& saveDir, const std::string& fileName) {
  return targetFullPath(saveDir, fileName) + kTempExtension;
}

std::string targetWorkPath(const std::string& saveDir, const std::string& fileName, bool tempExt) {
  return tempExt ? targetTempPath(saveDir, fileName) : targetFullPath(saveDir, fileName);
}

std::string autoRenameName(const std::string& fileName, int n) {
  std::string mark = "(";
  mark.append(std::to_string(n)).append(")");
  size_t dot = fileName.rfind('.');
  if (dot == std::string::npos) dot = fileName.size();
  std::string out;
  out.reserve(fileName.size() + mark.size());
  out.append(fileName, 0, dot);
  out.append(mark);
  out.append(fileName, dot, std::string::npos);
  if (out.size() > kRenameLimit) out.resize(kRenameCut);
  return out;
}

bool ensureDirectory(FileSystem& fs, std::string& path, const std::string& fallbackDir) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  if (!saveDirUsable(trimmed) || trimmed == "/") {
    path = fallbackDir;
    if (!saveDirUsable(path)) return false;
    return fs.isDirectory(path) || makeDirectories(fs, path, nullptr);
  }
  std::string deepest;
  if (makeDirectories(fs, trimmed, &deepest)) return true;
  path = deepest;
  return false;
}

}  // namespace fw

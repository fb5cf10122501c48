#include "ui/dialogs/job_text_edits.h"

namespace fw {

namespace {

// The file the job has on disk under `name`: the complete file, or its partial file.
std::string pathFor(const JobRecord& job, const std::string& name) {
  std::string path = job.saveDir + "/" + name;
  const bool partial = !(job.flags & jobflags::kComplete) && (job.flags & jobflags::kTempExt);
  return partial ? path + kTempExtension : path;
}

}  // namespace

std::string checkComment(const std::string& text) {
  return text.size() > kCommentMax ? kCommentTooLongText : "";
}

std::string trimmedName(const std::string& typed) {
  const char* ws = " \t\r\n";
  size_t b = typed.find_first_not_of(ws);
  if (b == std::string::npos) return {};
  return typed.substr(b, typed.find_last_not_of(ws) - b + 1);
}

std::string checkRename(FileSystem& fs, const JobRecord& job, const std::string& typed) {
  const std::string name = trimmedName(typed);
  if (name.empty()) return kRenameEmptyText;
  if (name.find('/') != std::string::npos || name == "." || name == "..") return kRenameSlashText;
  if (job.activeRoles > 0) return kRenameRunningText;
  if (name != job.fileName &&
      (fs.exists(job.saveDir + "/" + name) || fs.exists(pathFor(job, name))))
    return "A file named \"" + name + "\" already exists in " + job.saveDir + ".";
  return "";
}

std::string applyRename(FileSystem& fs, JobRecord& job, const std::string& typed) {
  std::string why = checkRename(fs, job, typed);
  if (!why.empty()) return why;
  const std::string name = trimmedName(typed);
  if (name == job.fileName) return "";
  const std::string from = pathFor(job, job.fileName);
  if (!job.fileName.empty() && fs.exists(from) && !fs.renamePath(from, pathFor(job, name), false))
    return "Cannot rename " + from + ".";
  job.fileName = name;
  job.flags2 |= jobflags2::kNameFixed;
  return "";
}

}  // namespace fw

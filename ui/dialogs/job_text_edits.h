#pragma once
// What the "Comment" and "ReName" dialogs check and write, without their widgets.
//
// Main thread only (they change job records).

#include <string>

#include "platform/file_system.h"
#include "records/job_record.h"

namespace fw {

inline constexpr size_t kCommentMax = 2000;
inline constexpr const char* kCommentTooLongText = "Comment length more than 2000!";
inline constexpr const char* kRenameEmptyText = "Please input name!";
inline constexpr const char* kRenameSlashText = "A file name cannot contain \"/\".";
inline constexpr const char* kRenameRunningText = "A job cannot be renamed while it runs.";

// "" when `text` may be the comment (at most 2,000 bytes), else the refusal.
std::string checkComment(const std::string& text);

// The name the user typed with blanks trimmed at both ends.
std::string trimmedName(const std::string& typed);

// "" when the job's file may take `name` (trimmed): not empty ("Please input name!"), no
// "/" and not "." or ".." (a name must not lead out of the job's folder), the job not
// running, and no other file of that name in the folder (it would be overwritten).
std::string checkRename(FileSystem& fs, const JobRecord& job, const std::string& name);

// Renames the job's file on disk (its ".np!" file while unfinished) and takes the new name,
// fixed against names a server offers later. A job with no file yet only takes the name.
// "" done, else why not (the record is then unchanged).
std::string applyRename(FileSystem& fs, JobRecord& job, const std::string& name);

}  // namespace fw

#pragma once
// Turning the files an FTP directory job listed into jobs of their own. Main thread
// only (it changes the category tree).

#include <vector>

#include "records/directory_file.h"
#include "records/job_record.h"
#include "store/job_operations.h"

namespace fw {

struct DirectoryJobsOutcome {
  DirectoryAddCount count;
  std::vector<JobRecord*> added;       // the new jobs, in listing order
  CategoryRecord* category = nullptr;  // the category made or reused for option 0x0010
};

// One job per file through addJob, copying from `dirJob`: split count, referer, user and
// password, comment, proxies, option3 / option4, rate and its option bits 0x5C without
// the directory ones (0x0004, 0x0008, 0x0010: a file job is not a directory job). The
// start mode is Schedule when the directory job's is, else Immediately (it was started
// by hand or from the queue, so its files are wanted now).
//
// Save folder: `dirJob`'s (or "DefaultPath" when it has none); with option 0x0008 the
// file's sub-directory is added below it. With option 0x0010 the jobs are filed in a
// category named after the fetched directory (its last path component; the host for
// the root) whose save folder is the directory job's; it is made under the directory
// job's category, or under the root when that is one of the fixed categories (ids 0 to
// 3), and an existing child of that name is reused.
//
// A file is refused (counted, no job) when its URL is not below `dirJob`'s URL, names a
// directory, or any component of its relative path or `subDir` is not a safe name; a
// URL already in the tree is counted as a duplicate. Returns the number of jobs added.
//
// The listed size and date are not given to the jobs: a listing's date may lack the year
// or the time of day and a link lists its own size, and either, once stored, would make
// the file job stop as "changed on the server" before it starts.
int addDirectoryJobs(JobContext& ctx, const JobRecord& dirJob,
                     const std::vector<DirectoryFile>& files,
                     DirectoryJobsOutcome* outcome = nullptr);

}  // namespace fw

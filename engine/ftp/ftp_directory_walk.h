#pragma once
// The walk of an FTP directory job: a job whose URL names a directory lists it (and,
// with the job's option 0x0004, its sub-directories) over the Role's control connection
// instead of fetching a file, and hands the files it found to its controller, which
// turns them into jobs on the main thread. Role thread only.

#include <cstddef>
#include <string>
#include <vector>

#include "engine/ftp/role_ftp_steps.h"
#include "records/directory_file.h"

namespace fw {

struct RoleRecord;

// The walk stops at these, with a log line, and hands over what it has so far.
struct DirectoryWalkLimits {
  int maxDepth = 16;          // levels of sub-directories below the fetched one
  size_t maxEntries = 10000;  // files and directories taken, all levels together
};

// Lists `rootPath` (decoded, ends in "/") and, with `recursive`, every sub-directory
// below it, one "LIST" each over a passive or active data connection as the Role's
// passive flag says (a failed passive connection clears the flag and lists again,
// actively). Unsafe names (isSafeListingName) are skipped with a log line; "." and ".."
// silently; links are taken as files and never walked. Each file is appended to `out`
// with its URL built from `dirUrl`. A sub-directory whose "LIST" line would be longer
// than a command may be is skipped with a log line. A stop request between two listings
// returns the Role's outcome.
//
// 1 walked (possibly cut at a limit). When the fetched directory itself cannot be
// listed: the reply code, or the exchange's 0 / negative / 421 result. A sub-directory
// whose "LIST" gets a refusal below 421 or above it is skipped with a log line; a
// broken exchange there (0, negative, 421) ends the walk with that result.
int walkFtpDirectory(FtpSession& session, RoleRecord& role, const FtpSettings& settings,
                     const std::string& rootPath, const std::string& dirUrl, bool recursive,
                     const DirectoryWalkLimits& limits, std::vector<DirectoryFile>& out);

// Step 14 of a directory job: walks the directory, hands the files over with
// CtlDirectoryListed, logs "Directory listed: %d file(s)", marks the job complete
// (it has no file of its own) and ends the Role (step 24). A directory the server will
// not enter ("CWD" refused with 5xx other than 500 / 502, "not implemented") or not list
// (5xx) logs "Invalid URL!" and ends with -10; anything else goes to step 22 with its
// code.
int ftpStepDirectoryWalk(RoleRecord& role, FtpStepContext& ctx,
                         const DirectoryWalkLimits& limits = DirectoryWalkLimits{});

}  // namespace fw

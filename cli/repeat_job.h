#pragma once
// What fetchwright-cli does with a URL that is already a job of its database. A user who
// runs the same command twice, or retries a failed download in another folder, expects
// the file: the job is resumed, reported as there, or fetched anew, and the terminal is
// told which. Main thread only; the job must not be running.

#include <optional>
#include <string>

#include "platform/file_system.h"
#include "records/job_record.h"
#include "store/job_operations.h"

namespace fw {

// What the command line asked for this URL.
struct RepeatRequest {
  std::optional<std::string> dir;   // -d: the save folder
  std::optional<std::string> name;  // -o: the file name
  bool again = false;               // --again: fetch a complete file anew
};

struct RepeatDecision {
  bool start = true;  // false: complete and its file is there, nothing to fetch
  std::string line;   // what the terminal is told
};

// Decides, and prepares `job` for it:
// - unfinished: it is resumed, "resuming NAME in DIR (NN%)". While nothing of it is on
//   disk the requested folder and name are taken first (a job whose partial file is gone
//   also forgets its progress, which could not be resumed); once part of it is there it
//   stays where it is, and the line says so.
// - complete with its file in place: "already downloaded: PATH", not started; with
//   `again` the file is deleted and the job fetched anew, as "Download Again" does.
// - complete with its file gone (an FTP directory job has none: it is listed again):
//   fetched anew.
// A job fetched anew restarts from zero (restartFromZero with `ctx`, which must delete
// files through ctx.deleteFile and asks no question) and takes the requested folder and
// name; a name the user fixed earlier is kept unless another is requested.
RepeatDecision prepareRepeatedJob(JobContext& ctx, JobRecord& job, const RepeatRequest& request,
                                  FileSystem& fs);

}  // namespace fw

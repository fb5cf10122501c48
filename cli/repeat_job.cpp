#include "cli/repeat_job.h"

#include "engine/storage/target_paths.h"
#include "engine/url/ftp_directory_url.h"

namespace fw {

namespace {

std::string folderOf(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

// Whether the request names another folder or name than the job has.
bool elsewhere(const JobRecord& job, const RepeatRequest& r) {
  return (r.dir && folderOf(*r.dir) != job.saveDir) || (r.name && *r.name != job.fileName);
}

void takeRequestedPlace(JobRecord& job, const RepeatRequest& r) {
  if (r.dir) job.saveDir = folderOf(*r.dir);
  if (r.name) {
    job.fileName = *r.name;
    job.flags2 |= jobflags2::kNameFixed;
  }
}

void fetchAnew(JobContext& ctx, JobRecord& job, const RepeatRequest& r) {
  const uint16_t fixed = job.flags2 & jobflags2::kNameFixed;
  // The user asked on the command line: no question, and the run starts the job itself.
  JobContext quiet = ctx;
  quiet.boxes = nullptr;
  quiet.queue = nullptr;
  restartFromZero(quiet, {&job});
  job.flags2 |= fixed;
  takeRequestedPlace(job, r);
}

std::string placeText(const JobRecord& job) {
  return job.fileName + " in " + job.saveDir;
}

}  // namespace

RepeatDecision prepareRepeatedJob(JobContext& ctx, JobRecord& job, const RepeatRequest& request,
                                  FileSystem& fs) {
  const bool directory = isFtpDirectoryUrl(job.url);
  if (jobComplete(job)) {
    const std::string path = targetFullPath(job.saveDir, job.fileName);
    const bool present = !directory && fs.exists(path);
    if (present && !request.again) return {false, "already downloaded: " + path};
    std::string why = request.again ? "downloading again: "
                      : directory   ? "listing again: "
                                    : "fetching anew, " + path + " is gone: ";
    fetchAnew(ctx, job, request);
    return {true, why + placeText(job)};
  }

  const bool tempExt = (job.flags & jobflags::kTempExt) != 0;
  const bool onDisk = !directory && fs.exists(targetWorkPath(job.saveDir, job.fileName, tempExt));
  std::string kept;
  if (onDisk) {
    if (elsewhere(job, request)) {
      kept = ", not in " + (request.dir ? folderOf(*request.dir) : job.saveDir);
      if (request.name && *request.name != job.fileName) kept += " as " + *request.name;
      kept += ": part of it is already there";
    }
  } else if (job.downloaded > 0 || job.createTime.isSet()) {
    // Its partial file is gone: what was counted cannot be resumed.
    fetchAnew(ctx, job, request);
  } else {
    takeRequestedPlace(job, request);
  }
  return {true,
          "resuming " + placeText(job) + " (" + std::to_string(percentComplete(job)) + "%)" + kept};
}

}  // namespace fw

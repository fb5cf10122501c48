#pragma once
// Creating jobs and moving them between the categories of the open tree: AddJob,
// appending to a category, moving one job, restarting jobs from zero, and dropping
// selected jobs onto a category.
//
// These live beside the tree (not in jobs/) because they work on the whole category
// tree. Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "records/job_record.h"
#include "store/category_tree.h"
#include "store/settings_records.h"

namespace fw {

class QueueHooks;
class TreeView;
class MessageBoxes;

// What the operations need around the tree. Null hooks are skipped.
struct JobContext {
  CategoryTree& tree;
  const Settings& settings;
  QueueHooks* queue = nullptr;
  TreeView* view = nullptr;
  MessageBoxes* boxes = nullptr;
  // Deletes the job's file (full name when complete or without ".np!", else the ".np!"
  // name). The program passes engine/target_file.h's deleteJobFile(fs, job, true, true).
  std::function<int(const JobRecord&)> deleteFile = nullptr;
  // Moves the job's file to a folder and, on success (>= 0), sets job.saveDir; 1 moved,
  // 0 nothing to move, -1 failed. The program passes moveJobFile.
  std::function<int(JobRecord&, const std::string&)> moveFile = nullptr;
};

// Sentinels of AddJobRequest: "use the setting".
inline constexpr uint8_t kUseDefault8 = 255;
inline constexpr uint16_t kUseDefaultCategory = 0xFFFF;

struct AddJobRequest {
  std::string url;
  uint8_t startMode = kUseDefault8;  // 0 Manual, 1 Immediately, other Schedule
  std::string saveDir;               // may be empty
  std::string fileName;              // empty: from the URL; else kept as given
  uint16_t category = kUseDefaultCategory;
  uint8_t splitCount = kUseDefault8;
  std::string referer;
  std::string userName;
  std::string password;
  std::string comment;
  uint8_t ftpProxy = kUseDefault8;
  uint8_t httpProxy = kUseDefault8;
  uint8_t option3 = 0;
  uint8_t option4 = 0;
  uint16_t extraFlags = 0;  // only bits 0x5C are taken
  uint8_t rate = kUseDefault8;
};

// A freshly created record: empty strings, fileSize -1, rate 1, everything else zero.
std::unique_ptr<JobRecord> newJobRecord();

// AddJob: builds the job from `req` and the settings and appends it to "Download".
// Null (nothing added) when the URL does not parse or a job with the same URL,
// ignoring case, is anywhere in the tree.
JobRecord* addJob(JobContext& ctx, const AddJobRequest& req);

// Links `job` (ownership taken) at the tail of `cat`, inserts its row when `cat` is on
// screen, starts an Immediately job, puts a Schedule job on the schedule list and plays
// the "AddNewJob" sound when sounds are on.
void appendJobToCategory(JobContext& ctx, CategoryRecord& cat, JobRecord* job);

// Moves `job` to the category `targetId` ("Downloaded" when no such category), at its
// head or tail. Nothing happens when it is there already. False when `job` is in no
// category of the tree.
bool moveJob(JobContext& ctx, JobRecord& job, uint16_t targetId, bool atHead);

// Restart from zero, after asking; jobs that run are skipped. Each job's file is
// deleted, its progress forgotten, it goes to the tail of "Download" and is started.
// Returns the number of jobs restarted (0 when the user said No).
int restartFromZero(JobContext& ctx, const std::vector<JobRecord*>& jobs);

// MoveJobs: the selected `jobs` of the shown category `source` dropped on `target`.
// Refused with "Can not move downloading job." when one runs, or, from "Download", one
// is scheduled or queued. Asks "Also move downloaded file?"; with Yes each file follows
// its job (a job whose file could not be moved keeps its folder). Returns the number of
// jobs moved, 0 when nothing happened.
int moveJobs(JobContext& ctx, CategoryRecord& source, const std::vector<JobRecord*>& jobs,
             CategoryRecord* target);

// Texts of the questions and refusals.
inline constexpr const char* kRestartQuestion =
    "Downloading again will delete current downloaded files. Do you want to continue?";
inline constexpr const char* kCannotMoveJob = "Can not move downloading job.";
inline constexpr const char* kAlsoMoveFile = "Also move downloaded file?";

}  // namespace fw

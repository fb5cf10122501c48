#pragma once
// The life of a job's target file on disk: creating or reopening it, the name rules when a
// file of that name exists, reserving its size, the free-space check, closing it at the
// end of a run, the final rename, deleting it with its job and moving it to another folder.
//
// Texts logged on the Role (kind 2, through role->channel; nothing is logged without a
// Role): "Invalid Save file path!", "There is not enough space on the disk.",
// "File exist download stop!".

#include <cstdint>
#include <string>

#include "engine/base/role_record.h"
#include "engine/storage/job_storage.h"

namespace fw {

// Creates or reopens the job's target and stores its descriptor in storage.fileFd.
// Caller: any Role thread, or the controller's thread without a Role (`role` null), HOLDING
// storage.cacheLock, so that two Roles learning the size together create the file once.
// Result 1 ready (also when a file was already open), -1 failed (fileFd stays -1).
//  - A target made in an earlier run (createTime stamped) is reopened as it is, whatever
//    the collision rule; a missing one is created empty.
//  - A new target: with a known size the save folder must be absolute and have room for it;
//    a missing or unusable folder is made (ensureDirectory, possibly moving the job to
//    options.fallbackDir); an existing file under the full or ".np!" name is handled by
//    options.collision (Auto Rename changes job.fileName); createTime is stamped; a known
//    size is reserved and the file cut to exactly that size (0 gives an empty file).
// A file name that would leave the save folder ("/" in it, ".", "..") is refused before
// anything is opened. storage.namesChanged runs, with the cache lock still held, when
// fileName or saveDir changed. A failure's line is logged on `role` with the cache lock
// let go for it (a log line waits for the controller's thread) and taken again before -1
// is returned.
int openTargetLazily(JobStorage& storage, RoleRecord* role);
// The Role's entry to the same decisions (the message of a failure is logged on `role`).
int prepareTarget(JobStorage& storage, RoleRecord& role);

// Whether the disk can take the file. 1 enough, or nothing to check (size unknown or 0,
// or the target was created in an earlier run, or the free space cannot be measured);
// 0 too little ("There is not enough space on the disk."); -1 the save folder is not an
// absolute path ("Invalid Save file Path!"). Logs nothing: the caller logs its own text.
// Any thread; takes storage.recordLock.
int checkDiskSpace(JobStorage& storage);

// The end of a run: closes storage.fileFd. When the job is complete and no write failed,
// the file is first given exactly its final length (fileSize, or `downloaded` when the
// size was never known), and a complete job that never opened its target (a file of 0
// bytes) gets an empty one (never an FTP directory job, which has no file). Call after
// flushCache, with no Role writing. Takes the cache, record and progress locks. 1 done, -1
// when the length could not be set or the empty file not created (the file is still
// closed).
int closeTarget(JobStorage& storage, RoleRecord* role);

// Renames a complete job's ".np!" file to its final name when flags bit 0x0400 is set; an
// existing file of the final name is never replaced. 1 renamed, 0 nothing to do, -1 failed.
// Any thread; takes storage.recordLock.
int renameToFinal(JobStorage& storage);

// Deletes the file of a job that is not running: a complete job's full path when
// `deleteCompleted`, an incomplete job's ".np!" path (bit 0x0400) or full path when
// `deleteUncompleted`. 1 deleted, 0 nothing to do (always for an FTP directory job),
// -1 failed. Main thread.
int deleteJobFile(FileSystem& fs, const JobRecord& job, bool deleteCompleted,
                  bool deleteUncompleted);

// Moves the file of a job that is not running to `newSaveDir` (creating the folder): a
// complete job's file under its full name, an incomplete job's ".np!" file when bit 0x0400
// is set. On success job.saveDir becomes `newSaveDir`. 1 moved, 0 nothing to move (an FTP
// directory job), -1 failed (saveDir unchanged). Main thread.
int moveJobFile(FileSystem& fs, JobRecord& job, const std::string& newSaveDir);

}  // namespace fw

#pragma once
// Everything a JobController needs from outside the job: the job list row and Role
// tree of the user interface, notices and sounds, proxies, dial-up, the main window's
// commands and starting a program. The GUI, the command-line program and the tests
// each implement it. Every member is called on the main thread, often while the job's
// Roles run: an implementation reads the fields they share (records/job_record.h) only
// through readProgress() and readRoleProgress() (jobs/job_progress.h), never straight off
// the record.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/proxy_record.h"
#include "records/directory_file.h"
#include "records/job_record.h"

namespace fw {

enum class RowImage { Running, Completed, Failed, Stopped };

class ControllerHost {
 public:
  virtual ~ControllerHost() = default;

  // Job list row. `column` is the column's title ("Name", "Size", "Complete", "Percent",
  // "Elapsed Time", "Left", "Num", "Speed", "Retry").
  virtual void setRowImage(JobRecord& job, RowImage image) = 0;
  virtual void setRowCell(JobRecord& job, const std::string& column, const std::string& text) = 0;
  virtual void redrawRow(JobRecord& job, int row) = 0;
  // A finished job leaves the "Download" view (its row is removed).
  virtual void removeDownloadRow(JobRecord& job) = 0;
  // Moves the job to the head of its category's list.
  virtual void moveToCategoryHead(JobRecord& job) = 0;

  // Role tree and detail pane of the job shown in them.
  virtual bool isShownJob(const JobRecord& job) = 0;
  virtual void roleTreeCleared(JobRecord& job) = 0;
  virtual void roleNodeAdded(JobRecord& job, int roleNo) = 0;
  virtual void roleNodeRemoved(JobRecord& job, int roleNo) = 0;
  virtual void detailRefresh(JobRecord& job) = 0;
  // A line was appended to Role `roleNo`'s log (already prefixed with its kind digit).
  virtual void logLineAdded(JobRecord& job, int roleNo, const std::string& line) = 0;

  virtual void notice(const std::string& text) = 0;
  virtual void playSound(const std::string& path) = 0;

  // Proxy number `index` of the settings (from 1), or the one titled `title`.
  // False when there is no such proxy.
  virtual bool proxyByIndex(int index, ProxyRecord& out) = 0;
  virtual bool proxyByTitle(const std::string& title, ProxyRecord& out) = 0;

  // Asks the dial-up manager to dial (main window command 3713).
  virtual void requestDial() = 0;
  // Main window command 385.
  virtual void forwardToMain(intptr_t arg) = 0;

  // Starts `argv[0]` with the given argument vector, detached, never through a shell.
  virtual void runProgram(const std::vector<std::string>& argv) = 0;

  // An FTP directory job has listed its directory: `files` are to become jobs (filed as
  // the job's options 0x0008 and 0x0010 say). Returns how many were added, already
  // there, or refused. The Role that listed them waits for the answer.
  virtual DirectoryAddCount directoryListed(JobRecord& dirJob,
                                            const std::vector<DirectoryFile>& files) = 0;

  // The run has ended (after the row and category work of Ending); `complete` tells
  // how. The queue monitor uses it to start the next job.
  virtual void jobEnded(JobRecord& job, bool complete) = 0;
};

// What Ending does after a run, taken from the settings when the run starts.
struct EndingOptions {
  bool successNotice = false;            // "Sflag" bit 0
  bool failureNotice = false;            // "Sflag" bit 1
  bool soundsOn = false;                 // "Sflag" bit 3
  std::string successSound;              // "DownSuccess"
  std::string failSound;                 // "DownFail"
  bool runProgram = false;               // "MFlags" bit 0x10
  std::string program;                   // "VirusExe"
  std::string programArgs;               // "VirusArgs"
  std::string programTypes;              // "VirusType": ".ZIP;.EXE;.DO?;..."
  bool keepFinishedOut = false;          // "OtherFlag" byte 2 bit 1
  bool errorStop = false;                // "GeneralCheck" 0x0004
  bool onDownloadView = true;            // the "Download" category is on screen
  bool sizeInBytes = false;              // "OtherFlag" byte 2 bit 0: sizes in bytes, not KB
  int maxSplit = 15;                     // "MaxSplit"
  int64_t minSegmentBytes = 100 * 1024;  // "MinSegment" x 1024
};

}  // namespace fw

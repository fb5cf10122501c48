#pragma once
// Runs one job through a real JobController and real Role workers on a message loop,
// for the download integration tests: the loop runs on the calling thread until the
// job's run has ended or a time limit passed.

#include <string>
#include <vector>

#include "engine/base/role_settings.h"
#include "jobs/controller_host.h"
#include "jobs/job_controller.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace fw::test {

// The bytes the scripted server serves for a file of `size` bytes.
std::string faultServerContent(size_t size);

class DownloadRig {
 public:
  DownloadRig();

  JobRecord job;
  RoleSettings settings;
  EndingOptions ending;
  StorageOptions storage;
  RecordingHost host;
  TempDir dir{"fwdl"};
  CookieLookup cookies;  // the cookie jar the Roles see; empty: none
  // Called on the main thread once a second while the job runs (stop, restart ...).
  std::function<void(JobController&, int seconds)> everySecond;

  // Starts the job and runs until it ends; false when `limitSeconds` passed first.
  bool run(int limitSeconds = 60);
  // Path and bytes of the job's final file; and of the ".np!" file.
  std::string finalPath() const { return job.saveDir + "/" + job.fileName; }
  std::string finalBytes() const;
  bool tempFileExists() const;
  // Every log line of every Role, "roleNo:kind text".
  std::vector<std::string> logLines() const { return host.logLines; }
  bool logged(const std::string& text) const;
  int rolesStarted() const { return m_rolesStarted; }
  JobController* controller() { return m_ctl.get(); }

 private:
  std::unique_ptr<JobController> m_ctl;
  int m_rolesStarted = 0;
};

// Every log line of the rig's Roles, one per line (for failure messages).
std::string allLines(const DownloadRig& rig);
// How many log lines hold `text`.
int countLogged(const DownloadRig& rig, const std::string& text);

}  // namespace fw::test

#pragma once
// fetchwright-cli's side of the core's callbacks: what a job controller and the queue
// monitor would show in the desktop window becomes terminal lines here. Sound, the Role
// tree and the window title have no terminal form and are ignored; the machine is never
// powered off. Main thread only.

#include <functional>
#include <string>
#include <vector>

#include "cli/progress_view.h"
#include "engine/base/proxy_record.h"
#include "jobs/controller_host.h"
#include "jobs/queue_monitor.h"

namespace fw {

class CategoryTree;

class CliHost final : public ControllerHost, public MonitorHost {
 public:
  // `proxies`: the run's proxy list, numbered from 1 (entry 1 the direct connection).
  CliHost(ProgressView& view, CategoryTree& tree, std::vector<ProxyRecord> proxies, bool printLog);

  // Called when a run has ended, after the controller's own Ending work.
  std::function<void(JobRecord&, bool complete)> onJobEnded;
  // Called when an FTP directory job has listed its files; without it nothing is added.
  std::function<DirectoryAddCount(JobRecord&, const std::vector<DirectoryFile>&)> onDirectoryListed;
  // Called from the monitor's database tick (every 57 seconds).
  std::function<void(const CalendarTime&)> onDatabaseChecks;

  // ControllerHost.
  void setRowImage(JobRecord&, RowImage) override {}
  void setRowCell(JobRecord&, const std::string&, const std::string&) override {}
  void redrawRow(JobRecord&, int) override {}
  void removeDownloadRow(JobRecord&) override {}
  void moveToCategoryHead(JobRecord& job) override;
  bool isShownJob(const JobRecord&) override { return false; }
  void roleTreeCleared(JobRecord&) override {}
  void roleNodeAdded(JobRecord&, int) override {}
  void roleNodeRemoved(JobRecord&, int) override {}
  void detailRefresh(JobRecord&) override {}
  void logLineAdded(JobRecord& job, int roleNo, const std::string& line) override;
  void notice(const std::string& text) override;
  void playSound(const std::string&) override {}
  bool proxyByIndex(int index, ProxyRecord& out) override;
  bool proxyByTitle(const std::string& title, ProxyRecord& out) override;
  void requestDial() override {}
  void forwardToMain(intptr_t) override {}
  void runProgram(const std::vector<std::string>& argv) override;
  DirectoryAddCount directoryListed(JobRecord& dirJob,
                                    const std::vector<DirectoryFile>& files) override;
  void jobEnded(JobRecord& job, bool complete) override;

  // MonitorHost.
  void setTitle(const std::string&) override {}
  void showQueued(JobRecord& job) override;
  void databaseChecks(const CalendarTime& now) override;

 private:
  ProgressView& m_view;
  CategoryTree& m_tree;
  std::vector<ProxyRecord> m_proxies;
  bool m_printLog;
};

// "Role2 [1] Connecte successful." from a stored log line ("1Connecte successful.").
std::string formatLogLine(const std::string& jobName, int roleNo, const std::string& line);

}  // namespace fw

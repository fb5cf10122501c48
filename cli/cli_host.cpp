#include "cli/cli_host.h"

#include "jobs/after_download.h"
#include "jobs/job_progress.h"
#include "store/category_tree.h"

namespace fw {

std::string formatLogLine(const std::string& jobName, int roleNo, const std::string& line) {
  std::string kind = line.empty() ? "?" : line.substr(0, 1);
  std::string text = line.empty() ? "" : line.substr(1);
  return jobName + " Role" + std::to_string(roleNo) + " [" + kind + "] " + text;
}

CliHost::CliHost(ProgressView& view, CategoryTree& tree, std::vector<ProxyRecord> proxies,
                 bool printLog)
    : m_view(view), m_tree(tree), m_proxies(std::move(proxies)), m_printLog(printLog) {}

void CliHost::moveToCategoryHead(JobRecord& job) {
  CategoryRecord* holder = m_tree.holderOf(job);
  CategoryRecord* target = m_tree.findCategory(job.category);
  if (!target || job.category <= kCategoryDownload)
    target = m_tree.findCategory(kCategoryDownloaded);
  if (!holder || !target || holder == target) return;
  std::unique_ptr<JobRecord> owned = m_tree.unlinkJob(*holder, job);
  if (owned) m_tree.pushFrontJob(*target, owned.release());
}

void CliHost::logLineAdded(JobRecord& job, int roleNo, const std::string& line) {
  if (m_printLog) m_view.event(formatLogLine(readProgress(job).fileName, roleNo, line));
}

void CliHost::notice(const std::string& text) {
  m_view.event(text);
}

bool CliHost::proxyByIndex(int index, ProxyRecord& out) {
  if (m_proxies.empty()) return false;
  // A stored index that does not exist means the first entry, the direct connection.
  if (index < 1 || index > static_cast<int>(m_proxies.size())) index = 1;
  out = m_proxies[static_cast<size_t>(index - 1)];
  return true;
}

bool CliHost::proxyByTitle(const std::string& title, ProxyRecord& out) {
  for (const ProxyRecord& p : m_proxies) {
    if (p.title == title) {
      out = p;
      return true;
    }
  }
  return false;
}

void CliHost::runProgram(const std::vector<std::string>& argv) {
  if (!launchDetached(argv) && !argv.empty()) m_view.event("cannot start " + argv[0]);
}

DirectoryAddCount CliHost::directoryListed(JobRecord& dirJob,
                                           const std::vector<DirectoryFile>& files) {
  if (!onDirectoryListed) return DirectoryAddCount{0, 0, static_cast<int>(files.size())};
  return onDirectoryListed(dirJob, files);
}

void CliHost::jobEnded(JobRecord& job, bool complete) {
  if (onJobEnded) onJobEnded(job, complete);
}

void CliHost::showQueued(JobRecord& job) {
  m_view.event("queued: " + job.fileName);
}

void CliHost::databaseChecks(const CalendarTime& now) {
  if (onDatabaseChecks) onDatabaseChecks(now);
}

}  // namespace fw

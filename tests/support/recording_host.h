#pragma once
// A ControllerHost for tests: records what a controller shows and asks for. Like every
// ControllerHost it is called on the controller's (main) thread only; a test reads what it
// recorded on that thread too.

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "jobs/controller_host.h"

namespace fw::test {

class RecordingHost : public ControllerHost {
 public:
  void setRowImage(JobRecord&, RowImage image) override { images.push_back(image); }
  void setRowCell(JobRecord&, const std::string& column, const std::string& text) override {
    cells[column] = text;
  }
  void redrawRow(JobRecord&, int) override { ++redraws; }
  void removeDownloadRow(JobRecord&) override { ++rowsRemoved; }
  void moveToCategoryHead(JobRecord&) override { ++categoryMoves; }
  bool isShownJob(const JobRecord&) override { return shownJob; }
  void roleTreeCleared(JobRecord&) override {}
  void roleNodeAdded(JobRecord&, int roleNo) override { nodesAdded.push_back(roleNo); }
  void roleNodeRemoved(JobRecord&, int roleNo) override { nodesRemoved.push_back(roleNo); }
  void detailRefresh(JobRecord&) override { ++detailRefreshes; }
  void logLineAdded(JobRecord&, int roleNo, const std::string& line) override {
    logLines.push_back(std::to_string(roleNo) + ":" + line);
  }
  void notice(const std::string& text) override { notices.push_back(text); }
  void playSound(const std::string& path) override { sounds.push_back(path); }
  bool proxyByIndex(int index, ProxyRecord& out) override {
    if (index < 0 || index > static_cast<int>(proxies.size())) return false;
    out = index == 0 ? ProxyRecord{} : proxies[static_cast<size_t>(index - 1)];
    return true;
  }
  bool proxyByTitle(const std::string& title, ProxyRecord& out) override {
    for (const ProxyRecord& p : proxies) {
      if (p.title == title) {
        out = p;
        return true;
      }
    }
    return false;
  }
  void requestDial() override { ++dialRequests; }
  void forwardToMain(intptr_t) override {}
  void runProgram(const std::vector<std::string>& argv) override { programs.push_back(argv); }
  DirectoryAddCount directoryListed(JobRecord&, const std::vector<DirectoryFile>& files) override {
    listedFiles.insert(listedFiles.end(), files.begin(), files.end());
    ++listings;
    return DirectoryAddCount{static_cast<int>(files.size()), 0, 0};
  }
  void jobEnded(JobRecord&, bool complete) override {
    ++endings;
    lastComplete = complete;
  }

  bool shownJob = false;
  std::vector<RowImage> images;
  std::map<std::string, std::string> cells;
  int redraws = 0, rowsRemoved = 0, categoryMoves = 0, detailRefreshes = 0, dialRequests = 0;
  std::vector<int> nodesAdded, nodesRemoved;
  std::vector<std::string> logLines, notices, sounds;
  std::vector<ProxyRecord> proxies;
  std::vector<std::vector<std::string>> programs;
  std::vector<DirectoryFile> listedFiles;
  int listings = 0;
  int endings = 0;
  bool lastComplete = false;
};

}  // namespace fw::test

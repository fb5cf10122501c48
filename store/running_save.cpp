#include "store/running_save.h"

#include <fcntl.h>
#include <unistd.h>

#include <vector>

#include "engine/storage/cache_writer.h"
#include "jobs/job_controller.h"
#include "store/job_database.h"

namespace fw {

namespace {

std::unique_ptr<JobRecord> bareCopy(const JobRecord& job) {
  auto copy = std::make_unique<JobRecord>(job);
  copy->roleLogs.clear();
  copy->next = copy->prev = nullptr;
  copy->controller = nullptr;
  return copy;
}

}  // namespace

void RunningSave::runStarting(const JobRecord& job) {
  m_written[&job] = bareCopy(job);
}

void RunningSave::runEnded(const JobRecord& job) {
  m_written.erase(&job);
}

bool RunningSave::encode(const CategoryTree& tree, const ControllerOf& controllerOf,
                         bool refreshRunning, std::string& out) {
  std::vector<JobRecord*> jobs;
  tree.forEachInSaveOrder([&](const CategoryRecord& cat, uint8_t, uint16_t) {
    for (JobRecord* j = cat.firstJob; j; j = j->next) jobs.push_back(j);
  });
  std::map<const JobRecord*, const JobRecord*> standIns;
  for (JobRecord* job : jobs) {
    JobController* c = controllerOf ? controllerOf(*job) : nullptr;
    if (!c || !c->running()) continue;
    auto written = m_written.find(job);
    if (written != m_written.end()) standIns[job] = written->second.get();
    if (!refreshRunning && written != m_written.end()) continue;
    JobStorage& st = c->storage();
    std::unique_ptr<JobRecord> copy;
    {
      LockGuard rec(st.recordLock);
      LockGuard prog(st.progressLock);
      copy = bareCopy(*job);
      std::map<const PartRange*, int64_t> heldBack;
      for (RoleRecord* r : c->roles()) {
        if (r->unstored <= 0) continue;
        copy->downloaded -= r->unstored;
        if (r->range) heldBack[r->range] += r->unstored;
      }
      auto live = job->parts.begin();
      for (PartRange& p : copy->parts) {
        auto it = heldBack.find(&*live++);
        if (it != heldBack.end()) p.start -= it->second;
      }
    }
    if (flushCache(st, nullptr) != 1) return false;
    // The sync can take seconds with much written; it works on a duplicate so that the
    // Roles' writes (and a closing Role) are not held up behind it.
    int syncFd = -1;
    {
      LockGuard g(st.cacheLock);
      if (st.fileFd >= 0) syncFd = ::fcntl(st.fileFd, F_DUPFD_CLOEXEC, 0);
    }
    if (syncFd >= 0) {
      ::fsync(syncFd);
      ::close(syncFd);
    }
    standIns[job] = copy.get();
    m_written[job] = std::move(copy);
  }
  auto standIn = [&](const JobRecord& job) -> const JobRecord* {
    auto it = standIns.find(&job);
    return it == standIns.end() ? nullptr : it->second;
  };
  out = encodeJobDatabase(tree, standIn);
  return true;
}

}  // namespace fw

#include "store/job_proxy_indexes.h"

#include "jobs/job_progress.h"

namespace fw {

namespace {
// A job's index is one byte; a list longer than that was never reachable from a job.
uint8_t follow(uint8_t index, const std::vector<int>& newIndexOf) {
  if (index == 0 || index >= newIndexOf.size()) return index;
  int to = newIndexOf[index];
  return to >= 1 && to <= 255 ? static_cast<uint8_t>(to) : 1;
}
}  // namespace

int moveJobProxyIndexes(const CategoryTree& tree, const std::vector<int>& newIndexOf) {
  if (newIndexOf.empty()) return 0;
  int changed = 0;
  tree.forEachJob([&](JobRecord& j) {
    uint8_t http = follow(j.httpProxy, newIndexOf);
    uint8_t ftp = follow(j.ftpProxy, newIndexOf);
    if (http == j.httpProxy && ftp == j.ftpProxy) return;
    changeJob(j, [http, ftp](JobRecord& r) {
      r.httpProxy = http;
      r.ftpProxy = ftp;
    });
    ++changed;
  });
  return changed;
}

}  // namespace fw

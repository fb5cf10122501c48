#include "store/job_order.h"

#include <algorithm>
#include <unordered_set>

namespace fw {

bool moveJobsInList(CategoryTree& tree, CategoryRecord& cat, const std::vector<JobRecord*>& jobs,
                    JobMove how) {
  std::vector<JobRecord*> order;
  for (JobRecord* j = cat.firstJob; j; j = j->next) order.push_back(j);
  std::unordered_set<const JobRecord*> picked;
  for (const JobRecord* j : jobs) picked.insert(j);
  auto isPicked = [&](const JobRecord* j) { return picked.count(j) != 0; };

  std::vector<JobRecord*> moved = order;
  switch (how) {
    case JobMove::Top:
    case JobMove::Bottom: {
      std::vector<JobRecord*> sel, rest;
      for (JobRecord* j : order) (isPicked(j) ? sel : rest).push_back(j);
      moved = how == JobMove::Top ? sel : rest;
      const auto& tail = how == JobMove::Top ? rest : sel;
      moved.insert(moved.end(), tail.begin(), tail.end());
      break;
    }
    case JobMove::Up:
      for (size_t i = 1; i < moved.size(); ++i) {
        if (isPicked(moved[i]) && !isPicked(moved[i - 1])) std::swap(moved[i], moved[i - 1]);
      }
      break;
    case JobMove::Down:
      for (size_t i = moved.size(); i-- > 1;) {
        if (isPicked(moved[i - 1]) && !isPicked(moved[i])) std::swap(moved[i], moved[i - 1]);
      }
      break;
  }
  if (moved == order) return false;
  return tree.reorderJobs(cat, moved);
}

}  // namespace fw

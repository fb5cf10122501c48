#include "store/job_order.h"

#include <gtest/gtest.h>

#include <string>

#include "store/job_database.h"

namespace fw {
namespace {

// Jobs "a".."f" in the queue; `pick` names the selected ones.
struct Queue {
  CategoryTree tree;
  CategoryRecord* cat;
  Queue() {
    buildDefaultTree(tree, "/dl");
    cat = tree.findCategory(kCategoryDownload);
    for (char c = 'a'; c <= 'f'; ++c) {
      auto* j = new JobRecord;
      j->url = std::string(1, c);
      tree.appendJob(*cat, j);
    }
  }
  std::vector<JobRecord*> pick(const std::string& names) {
    std::vector<JobRecord*> out;
    for (JobRecord* j = cat->firstJob; j; j = j->next)
      if (names.find(j->url[0]) != std::string::npos) out.push_back(j);
    return out;
  }
  std::string order() const {
    std::string s;
    int index = 0;
    for (JobRecord* j = cat->firstJob; j; j = j->next) {
      s += j->url;
      EXPECT_EQ(j->listIndex, index++);
      EXPECT_TRUE(!j->next || j->next->prev == j);
    }
    return s;
  }
};

TEST(JobOrder, MovesTheSelectedJobsAndKeepsTheListLinked) {
  struct Case {
    const char* picked;
    JobMove how;
    const char* after;
    bool changed;
  };
  const Case cases[] = {
      {"c", JobMove::Up, "acbdef", true},      {"ce", JobMove::Up, "acbedf", true},
      {"ab", JobMove::Up, "abcdef", false},  // already at the top
      {"abd", JobMove::Up, "abdcef", true},  // the block stays, d passes c
      {"f", JobMove::Down, "abcdef", false},   {"bd", JobMove::Down, "acbedf", true},
      {"cd", JobMove::Down, "abecdf", true},   {"ef", JobMove::Top, "efabcd", true},
      {"bd", JobMove::Bottom, "acefbd", true}, {"a", JobMove::Top, "abcdef", false},
      {"", JobMove::Bottom, "abcdef", false},
  };
  for (const Case& c : cases) {
    Queue q;
    EXPECT_EQ(moveJobsInList(q.tree, *q.cat, q.pick(c.picked), c.how), c.changed) << c.picked;
    EXPECT_EQ(q.order(), c.after) << c.picked << " " << static_cast<int>(c.how);
  }
}

TEST(JobOrder, ReorderRefusesAListThatIsNotTheCategorysOwn) {
  Queue q;
  std::vector<JobRecord*> jobs = q.pick("abcdef");
  std::vector<JobRecord*> shorter(jobs.begin(), jobs.end() - 1);
  EXPECT_FALSE(q.tree.reorderJobs(*q.cat, shorter));
  std::vector<JobRecord*> twice = shorter;
  twice.push_back(jobs.front());
  EXPECT_FALSE(q.tree.reorderJobs(*q.cat, twice));
  EXPECT_EQ(q.order(), "abcdef");
}

}  // namespace
}  // namespace fw

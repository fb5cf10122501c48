#include "store/category_tree.h"

#include <unordered_set>
#include <vector>

#include "platform/ascii_text.h"

namespace fw {
namespace {

void freeJobs(CategoryRecord& cat) {
  JobRecord* job = cat.firstJob;
  while (job) {
    JobRecord* next = job->next;
    delete job;
    job = next;
  }
  cat.firstJob = nullptr;
}

}  // namespace

CategoryTree::~CategoryTree() {
  clear();
}

CategoryTree::CategoryTree(CategoryTree&& other) noexcept
    : m_root(other.m_root), m_index(std::move(other.m_index)), m_nextId(other.m_nextId) {
  other.m_root = nullptr;
  other.m_index.clear();
  other.m_nextId = 0;
}

CategoryTree& CategoryTree::operator=(CategoryTree&& other) noexcept {
  if (this != &other) {
    clear();
    m_root = other.m_root;
    m_index = std::move(other.m_index);
    m_nextId = other.m_nextId;
    other.m_root = nullptr;
    other.m_index.clear();
    other.m_nextId = 0;
  }
  return *this;
}

CategoryRecord* CategoryTree::findCategory(uint16_t id) const {
  auto it = m_index.find(id);
  return it == m_index.end() ? nullptr : it->second;
}

void CategoryTree::freeCategory(CategoryRecord* cat) {
  freeJobs(*cat);
  delete cat;
}

void CategoryTree::clear() {
  for (auto& [id, cat] : m_index) freeCategory(cat);
  m_index.clear();
  m_root = nullptr;
  m_nextId = 0;
}

CategoryRecord* CategoryTree::newCategory(std::string name, std::string saveDir, uint8_t kind,
                                          uint16_t icon) {
  if (m_nextId >= kCategoryIdLimit) return nullptr;
  auto* cat = new CategoryRecord;
  cat->name = std::move(name);
  cat->saveDir = std::move(saveDir);
  cat->kind = kind;
  cat->icon = icon;
  cat->id = cat->storedId = static_cast<uint16_t>(m_nextId++);
  m_index[cat->id] = cat;
  return cat;
}

CategoryRecord* CategoryTree::createRoot(std::string name, std::string saveDir, uint8_t kind,
                                         uint16_t icon) {
  if (m_root) return nullptr;
  m_root = newCategory(std::move(name), std::move(saveDir), kind, icon);
  return m_root;
}

CategoryRecord* CategoryTree::appendChild(CategoryRecord& parent, std::string name,
                                          std::string saveDir, uint8_t kind, uint16_t icon) {
  CategoryRecord* cat = newCategory(std::move(name), std::move(saveDir), kind, icon);
  if (cat) appendUnlinked(*cat, parent);
  return cat;
}

bool CategoryTree::attach(std::unique_ptr<CategoryRecord> cat, CategoryRecord* linkTo,
                          bool asSibling) {
  if (m_index.count(cat->id)) return false;
  cat->nextSibling = cat->firstChild = nullptr;
  cat->linkBack = linkTo;
  if (!linkTo) {
    if (m_root) return false;
    m_root = cat.get();
  } else {
    CategoryRecord*& slot = asSibling ? linkTo->nextSibling : linkTo->firstChild;
    if (slot) return false;
    slot = cat.get();
  }
  m_index[cat->id] = cat.get();
  cat.release();
  return true;
}

bool CategoryTree::unlink(CategoryRecord& cat) {
  if (&cat == m_root || !cat.linkBack) return false;
  CategoryRecord* back = cat.linkBack;
  if (back->firstChild == &cat)
    back->firstChild = cat.nextSibling;
  else
    back->nextSibling = cat.nextSibling;
  if (cat.nextSibling) cat.nextSibling->linkBack = back;
  cat.nextSibling = nullptr;
  cat.linkBack = nullptr;
  return true;
}

void CategoryTree::appendUnlinked(CategoryRecord& cat, CategoryRecord& parent) {
  cat.nextSibling = nullptr;
  if (!parent.firstChild) {
    parent.firstChild = &cat;
    cat.linkBack = &parent;
    return;
  }
  CategoryRecord* last = parent.firstChild;
  while (last->nextSibling) last = last->nextSibling;
  last->nextSibling = &cat;
  cat.linkBack = last;
}

CategoryRecord* CategoryTree::parentOf(const CategoryRecord& cat) {
  const CategoryRecord* cur = &cat;
  while (cur->linkBack && cur->linkBack->nextSibling == cur) cur = cur->linkBack;
  return cur->linkBack;
}

bool CategoryTree::inSubtree(const CategoryRecord& cat, const CategoryRecord& top) {
  for (const CategoryRecord* cur = &cat; cur; cur = parentOf(*cur))
    if (cur == &top) return true;
  return false;
}

bool CategoryTree::deleteSubtree(CategoryRecord& cat) {
  if (!unlink(cat)) return false;
  std::vector<CategoryRecord*> pending{&cat};
  while (!pending.empty()) {
    CategoryRecord* cur = pending.back();
    pending.pop_back();
    // The top's own nextSibling was cut by unlink(); below it every sibling belongs.
    if (cur->nextSibling) pending.push_back(cur->nextSibling);
    if (cur->firstChild) pending.push_back(cur->firstChild);
    m_index.erase(cur->id);
    freeCategory(cur);
  }
  return true;
}

void CategoryTree::appendJob(CategoryRecord& cat, JobRecord* job) {
  job->next = nullptr;
  JobRecord* last = lastJob(cat);
  job->prev = last;
  job->listIndex = last ? last->listIndex + 1 : 0;
  if (last)
    last->next = job;
  else
    cat.firstJob = job;
}

void CategoryTree::pushFrontJob(CategoryRecord& cat, JobRecord* job) {
  job->prev = nullptr;
  job->next = cat.firstJob;
  if (cat.firstJob) cat.firstJob->prev = job;
  cat.firstJob = job;
  int32_t index = 0;
  for (JobRecord* j = job; j; j = j->next) j->listIndex = index++;
}

std::unique_ptr<JobRecord> CategoryTree::unlinkJob(CategoryRecord& cat, JobRecord& job) {
  if (job.prev)
    job.prev->next = job.next;
  else
    cat.firstJob = job.next;
  if (job.next) job.next->prev = job.prev;
  for (JobRecord* j = job.next; j; j = j->next) --j->listIndex;
  job.next = job.prev = nullptr;
  return std::unique_ptr<JobRecord>(&job);
}

bool CategoryTree::reorderJobs(CategoryRecord& cat, const std::vector<JobRecord*>& order) {
  std::unordered_set<const JobRecord*> present;
  for (JobRecord* j = cat.firstJob; j; j = j->next) present.insert(j);
  if (present.size() != order.size()) return false;
  for (const JobRecord* j : order) {
    if (present.erase(j) != 1) return false;
  }
  JobRecord* prev = nullptr;
  int32_t index = 0;
  for (JobRecord* j : order) {
    j->prev = prev;
    j->next = nullptr;
    j->listIndex = index++;
    if (prev)
      prev->next = j;
    else
      cat.firstJob = j;
    prev = j;
  }
  return true;
}

size_t CategoryTree::jobCount(const CategoryRecord& cat) {
  size_t n = 0;
  for (const JobRecord* j = cat.firstJob; j; j = j->next) ++n;
  return n;
}

JobRecord* CategoryTree::lastJob(const CategoryRecord& cat) {
  JobRecord* j = cat.firstJob;
  while (j && j->next) j = j->next;
  return j;
}

CategoryRecord* CategoryTree::holderOf(const JobRecord& job) const {
  const JobRecord* first = &job;
  while (first->prev) first = first->prev;
  for (auto& [id, cat] : m_index)
    if (cat->firstJob == first) return cat;
  return nullptr;
}

JobRecord* CategoryTree::findJobByUrl(std::string_view url) const {
  for (auto& [id, cat] : m_index)
    for (JobRecord* j = cat->firstJob; j; j = j->next)
      if (equalsNoCase(j->url, url)) return j;
  return nullptr;
}

void CategoryTree::forEachJob(const std::function<void(JobRecord&)>& fn) const {
  for (auto& [id, cat] : m_index)
    for (JobRecord* j = cat->firstJob; j; j = j->next) fn(*j);
}

void CategoryTree::forEachInSaveOrder(
    const std::function<void(const CategoryRecord&, uint8_t, uint16_t)>& fn) const {
  struct Step {
    const CategoryRecord* cat;
    uint8_t linkKind;
    uint16_t linkId;
  };
  if (!m_root) return;
  // An explicit stack: a long sibling chain must not exhaust the call stack.
  std::vector<Step> pending{{m_root, 1, 0}};
  while (!pending.empty()) {
    Step s = pending.back();
    pending.pop_back();
    fn(*s.cat, s.linkKind, s.linkId);
    if (s.cat->firstChild) pending.push_back({s.cat->firstChild, 0, s.cat->id});
    if (s.cat->nextSibling) pending.push_back({s.cat->nextSibling, 1, s.cat->id});
  }
}

}  // namespace fw

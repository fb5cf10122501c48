#pragma once
// The category tree of the open job database: it owns every CategoryRecord and every
// JobRecord filed in it (allocated with new, freed by clear(), deleteSubtree() or the
// destructor), keeps the intrusive links consistent and the id index current.
//
// Main thread only. A job's record may be read by its Roles while it runs; only the
// main thread links, unlinks or frees records.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "records/job_record.h"

namespace fw {

// Names the fixed categories always carry.
inline constexpr const char* kRootCategoryName = "Fetchwright";
inline constexpr const char* kDownloadCategoryName = "Download";
inline constexpr const char* kDownloadedCategoryName = "Downloaded";
inline constexpr const char* kDeletedCategoryName = "Deleted";
// New ids stop here: the job database stores ids and the count in 16 bits.
inline constexpr uint32_t kCategoryIdLimit = 0xFFFF;

class CategoryTree {
 public:
  CategoryTree() = default;
  ~CategoryTree();
  CategoryTree(const CategoryTree&) = delete;
  CategoryTree& operator=(const CategoryTree&) = delete;
  CategoryTree(CategoryTree&& other) noexcept;
  CategoryTree& operator=(CategoryTree&& other) noexcept;

  CategoryRecord* root() const { return m_root; }
  // FindCategory: null when no category has `id`.
  CategoryRecord* findCategory(uint16_t id) const;
  // The category counter: the next id handed out; it only grows until clear().
  uint32_t nextId() const { return m_nextId; }
  size_t categoryCount() const { return m_index.size(); }
  bool empty() const { return m_root == nullptr; }

  // Frees every category and job; the counter restarts at 0.
  void clear();

  // Makes the root of an empty tree with the next id. Null when a root exists.
  CategoryRecord* createRoot(std::string name, std::string saveDir, uint8_t kind, uint16_t icon);
  // Appends a new category with the next id as the last child of `parent`.
  // Null when the counter is exhausted.
  CategoryRecord* appendChild(CategoryRecord& parent, std::string name, std::string saveDir,
                              uint8_t kind, uint16_t icon);

  // For the loader: takes `cat` (its id already set, unique) and hangs it on `linkTo` as
  // its nextSibling (`asSibling`) or firstChild, or as the root when `linkTo` is null.
  // Returns false (and frees `cat`) when that place is already taken.
  bool attach(std::unique_ptr<CategoryRecord> cat, CategoryRecord* linkTo, bool asSibling);
  void setNextId(uint32_t id) { m_nextId = id; }

  // Takes `cat` (with its sub-tree) out of its place; the category that pointed at it
  // now points at its nextSibling. The root cannot be unlinked (false).
  bool unlink(CategoryRecord& cat);
  // Appends an unlinked `cat` with its sub-tree as the last child of `parent`.
  void appendUnlinked(CategoryRecord& cat, CategoryRecord& parent);
  // True when `cat` is `top` or lies in `top`'s sub-tree (its children, their
  // siblings and so on; not `top`'s own later siblings).
  static bool inSubtree(const CategoryRecord& cat, const CategoryRecord& top);
  // The parent of `cat` (null for the root), found through linkBack.
  static CategoryRecord* parentOf(const CategoryRecord& cat);
  // Frees `cat`, its sub-tree and all their jobs; unlinks it first. The root is refused.
  bool deleteSubtree(CategoryRecord& cat);

  // Jobs. appendJob and pushFrontJob take ownership; unlinkJob hands it back.
  void appendJob(CategoryRecord& cat, JobRecord* job);
  void pushFrontJob(CategoryRecord& cat, JobRecord* job);
  std::unique_ptr<JobRecord> unlinkJob(CategoryRecord& cat, JobRecord& job);
  // Relinks `cat`'s list in the order of `order`, which must hold exactly its jobs, and
  // renumbers listIndex. False (nothing changed) when `order` is not a permutation of them.
  bool reorderJobs(CategoryRecord& cat, const std::vector<JobRecord*>& order);
  static size_t jobCount(const CategoryRecord& cat);
  static JobRecord* lastJob(const CategoryRecord& cat);
  // The category whose list holds `job`, or null.
  CategoryRecord* holderOf(const JobRecord& job) const;
  // A job anywhere in the tree whose url equals `url` ignoring ASCII case, or null.
  JobRecord* findJobByUrl(std::string_view url) const;
  // Visits every job of every category; `fn` must not link or unlink jobs.
  void forEachJob(const std::function<void(JobRecord&)>& fn) const;

  // Visits every category in save order: a category, then its sibling chain's
  // sub-trees, then its children (the order the job database is written in).
  // `linkKind` is 1 for the root and a nextSibling, 0 for a firstChild; `linkId` the id
  // of the category it hangs on (0 for the root).
  void forEachInSaveOrder(const std::function<void(const CategoryRecord&, uint8_t linkKind,
                                                   uint16_t linkId)>& fn) const;

 private:
  void freeCategory(CategoryRecord* cat);
  // A new category with the next id, in the index but not linked. Null when ids ran out.
  CategoryRecord* newCategory(std::string name, std::string saveDir, uint8_t kind, uint16_t icon);

  CategoryRecord* m_root = nullptr;
  std::map<uint16_t, CategoryRecord*> m_index;  // every category the tree owns
  uint32_t m_nextId = 0;
};

}  // namespace fw

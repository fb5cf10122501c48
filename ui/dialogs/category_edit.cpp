#include "ui/dialogs/category_edit.h"

#include <vector>

#include "platform/message_box.h"
#include "store/tree_view.h"
#include "ui/dialogs/job_text_edits.h"

namespace fw {

std::string checkCategoryFields(const std::string& name, const std::string& saveDir) {
  std::string n = trimmedName(name);
  if (n.empty() || n.size() > kCategoryNameMax) return kCategoryNameLengthText;
  if (trimmedName(saveDir).empty()) return kCategorySaveDirText;
  return "";
}

bool editCategory(CategoryRecord& cat, const std::string& name, const std::string& saveDir,
                  const CategoryUi& ui) {
  const bool fixedName = cat.id <= kCategoryDeleted;
  std::string why = checkCategoryFields(fixedName ? cat.name : name, saveDir);
  if (!why.empty()) {
    if (ui.boxes) ui.boxes->show(why, BoxIcon::Information, BoxButtons::Ok);
    return false;
  }
  if (!fixedName) cat.name = trimmedName(name);
  cat.saveDir = trimmedName(saveDir);
  if (ui.view) ui.view->rebuildTree();
  return true;
}

CategoryCounts countCategory(const CategoryRecord& cat) {
  CategoryCounts c;
  c.jobs = CategoryTree::jobCount(cat);
  c.allJobs = c.jobs;
  std::vector<const CategoryRecord*> pending;
  if (cat.firstChild) pending.push_back(cat.firstChild);
  while (!pending.empty()) {
    const CategoryRecord* x = pending.back();
    pending.pop_back();
    ++c.subCategories;
    c.allJobs += CategoryTree::jobCount(*x);
    if (x->firstChild) pending.push_back(x->firstChild);
    if (x->nextSibling) pending.push_back(x->nextSibling);
  }
  return c;
}

}  // namespace fw

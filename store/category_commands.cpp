#include "store/category_commands.h"

#include <vector>

#include "jobs/queue_hooks.h"
#include "platform/ascii_text.h"
#include "platform/message_box.h"
#include "store/tree_view.h"

namespace fw {
namespace {

void inform(const CategoryUi& ui, const char* text) {
  if (ui.boxes) ui.boxes->show(text, BoxIcon::Information, BoxButtons::Ok);
}

// Every category of `top`'s sub-tree, `top` first.
std::vector<CategoryRecord*> subtree(CategoryRecord& top) {
  std::vector<CategoryRecord*> out{&top};
  std::vector<CategoryRecord*> pending;
  if (top.firstChild) pending.push_back(top.firstChild);
  while (!pending.empty()) {
    CategoryRecord* c = pending.back();
    pending.pop_back();
    out.push_back(c);
    if (c->nextSibling) pending.push_back(c->nextSibling);
    if (c->firstChild) pending.push_back(c->firstChild);
  }
  return out;
}

}  // namespace

CategoryRecord* createCategory(CategoryTree& tree, CategoryRecord& parent, const std::string& name,
                               const std::string& saveDir, const CategoryUi& ui) {
  std::string n = trimmed(name, " \t\r\n");
  if (n.empty() || n.size() > kCategoryNameMax) {
    inform(ui, kCategoryNameLengthText);
    return nullptr;
  }
  std::string dir = trimmed(saveDir, " \t\r\n");
  if (dir.empty()) {
    inform(ui, kCategorySaveDirText);
    return nullptr;
  }
  CategoryRecord* cat = tree.appendChild(parent, std::move(n), std::move(dir), kUserCategoryKind,
                                         static_cast<uint16_t>(parent.icon + 1));
  if (cat && ui.view) ui.view->rebuildTree();
  return cat;
}

int moveCategory(CategoryTree& tree, CategoryRecord& cat, CategoryRecord& target,
                 const CategoryUi& ui) {
  if (&cat == &target) return 0;
  if (&cat == tree.root() || CategoryTree::inSubtree(target, cat)) {
    if (ui.boxes) ui.boxes->show(kCannotMoveCategoryText, BoxIcon::Information, BoxButtons::Ok);
    return -1;
  }
  if (ui.view && ui.view->shownCategory() == &cat && tree.root()->firstChild)
    ui.view->showCategory(*tree.root()->firstChild);
  tree.unlink(cat);
  tree.appendUnlinked(cat, target);
  if (ui.view) ui.view->rebuildTree();
  return 1;
}

int deleteCategory(CategoryTree& tree, CategoryRecord& cat, const CategoryUi& ui) {
  if (ui.boxes &&
      ui.boxes->show(kDeleteCategoryQuestion, BoxIcon::Question, BoxButtons::OkCancel) != kBoxOk)
    return 0;
  if (&cat == tree.root()) return 0;
  std::vector<CategoryRecord*> doomed = subtree(cat);
  // The program cannot run without the queue and the two folders finished jobs go to.
  for (CategoryRecord* c : doomed)
    if (c->id <= kCategoryDeleted) return 0;
  if (ui.view) {
    CategoryRecord* shown = ui.view->shownCategory();
    for (CategoryRecord* c : doomed)
      if (c == shown) {
        ui.view->showCategory(*CategoryTree::parentOf(cat));
        break;
      }
  }
  // A Role must never write into a record that is freed below it.
  if (ui.queue)
    for (CategoryRecord* c : doomed)
      for (JobRecord* j = c->firstJob; j; j = j->next) {
        if (j->activeRoles > 0) ui.queue->stopJob(*j);
        ui.queue->removeFromQueues(*j);
      }
  tree.deleteSubtree(cat);
  if (ui.view) ui.view->rebuildTree();
  return 1;
}

}  // namespace fw

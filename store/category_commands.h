#pragma once
// The user's commands on the category tree: create, move and delete a category. Each
// refusal is a message box with its exact text and leaves the tree unchanged.
//
// Main thread only.

#include <string>

#include "store/category_tree.h"

namespace fw {

class MessageBoxes;
class QueueHooks;
class TreeView;

inline constexpr const char* kCategoryNameLengthText = " Category name length is between 1--256 ";
inline constexpr const char* kCategorySaveDirText = " Category save dir is not empty ";
inline constexpr const char* kCannotMoveCategoryText = "Can't move Category!";
inline constexpr const char* kDeleteCategoryQuestion = "Delete Category and it's sub-categories ? ";
inline constexpr size_t kCategoryNameMax = 256;  // bytes
// Kind given to categories the user creates.
inline constexpr uint8_t kUserCategoryKind = 0x20;

struct CategoryUi {
  MessageBoxes* boxes = nullptr;
  TreeView* view = nullptr;
  QueueHooks* queue = nullptr;
};

// CreateCategory: trims both texts; a name of 0 or more than 256 bytes, or an empty
// folder, is refused (null; the dialog stays open). Otherwise the new category (icon =
// parent's + 1, the next id) is the parent's last child.
CategoryRecord* createCategory(CategoryTree& tree, CategoryRecord& parent, const std::string& name,
                               const std::string& saveDir, const CategoryUi& ui);

// MoveCategory: 1 moved (as the last child of `target`), 0 nothing to do (same
// category), -1 refused with "Can't move Category!" (target inside the category's own
// sub-tree, or the root).
int moveCategory(CategoryTree& tree, CategoryRecord& cat, CategoryRecord& target,
                 const CategoryUi& ui);

// DeleteCategory: asks first (Cancel: 0). The root and a sub-tree holding one of the
// fixed categories are kept (0). Running jobs of the sub-tree are stopped and every job
// leaves the queues before the records are freed. 1 deleted.
int deleteCategory(CategoryTree& tree, CategoryRecord& cat, const CategoryUi& ui);

}  // namespace fw

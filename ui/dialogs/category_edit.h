#pragma once
// What the category dialogs check and write, without their widgets: editing a category's
// name and folder with the same checks as creating one, and the counts its "Properties"
// show.
//
// Main thread only.

#include <string>

#include "store/category_commands.h"

namespace fw {

// "" when `name` and `saveDir` (both trimmed) may be a category's, else the refusal:
// " Category name length is between 1--256 " or " Category save dir is not empty ".
std::string checkCategoryFields(const std::string& name, const std::string& saveDir);

// Gives `cat` the trimmed name (not for the fixed categories 0 to 3, whose names are
// fixed) and folder. The refusal is shown through `ui.boxes`; false then, and nothing
// changed.
bool editCategory(CategoryRecord& cat, const std::string& name, const std::string& saveDir,
                  const CategoryUi& ui);

struct CategoryCounts {
  size_t jobs = 0;           // in the category itself
  size_t subCategories = 0;  // below it, at any depth
  size_t allJobs = 0;        // in it and below it
};

CategoryCounts countCategory(const CategoryRecord& cat);

}  // namespace fw

#pragma once
// Moving selected jobs within their category's list: one place up or down, or to the top
// or the bottom. The list order of "Download" is the order the user sees the queue in.
//
// Main thread only.

#include <vector>

#include "store/category_tree.h"

namespace fw {

enum class JobMove { Up, Down, Top, Bottom };

// Moves `jobs` (jobs of `cat`; others are ignored) keeping their order among themselves.
// Up and Down move each selected job past one unselected neighbour, so a selected block
// already at that end of the list stays where it is. Top and Bottom gather the selected
// jobs at that end. True when the order changed.
bool moveJobsInList(CategoryTree& tree, CategoryRecord& cat, const std::vector<JobRecord*>& jobs,
                    JobMove how);

}  // namespace fw

#pragma once
// The URL template of "Add batch download...": one "*" replaced by the dialog's range, or
// one "[from-to]" carrying its own range. A range is numeric ("1" to "120", each number
// written with at least `width` digits, zero-padded) or of letters ("a" to "z", one letter
// each end, the same case). At most kBatchMax URLs. The template is typed by the user or
// pasted from anywhere: every malformed one is refused with a message saying what is wrong.
//
// Pure; any thread.

#include <cstddef>
#include <string>
#include <vector>

namespace fw {

inline constexpr size_t kBatchMax = 10000;
inline constexpr int kBatchWidthMax = 9;

struct BatchForm {
  std::string pattern;  // the template
  // The range for "*" (a "[from-to]" in the template brings its own).
  std::string from;
  std::string to;
  int width = 0;  // zero-padding width of numbers, 0 to kBatchWidthMax
};

struct BatchPlan {
  std::string error;  // "" when the template makes URLs
  size_t count = 0;
  std::string first;
  std::string last;
  bool ok() const { return error.empty(); }
};

// Checks `form` and tells how many URLs it makes and which are first and last.
BatchPlan planBatch(const BatchForm& form);
// Every URL, in order; empty when planBatch refuses `form`.
std::vector<std::string> expandBatch(const BatchForm& form);

}  // namespace fw

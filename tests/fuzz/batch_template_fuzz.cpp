// URL templates of "Add batch download..." as a user may paste them: whatever the text, the
// plan and the expansion agree, no template makes more than 10,000 URLs, and every URL
// made has its one placeholder replaced.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/dialogs/batch_template.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // First byte: the width; then "pattern\x01from\x01to".
  std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  fw::BatchForm form;
  form.width = static_cast<int>(data[0] % 12) - 1;
  size_t a = input.find('\x01');
  form.pattern = input.substr(0, a);
  if (a != std::string::npos) {
    size_t b = input.find('\x01', a + 1);
    form.from = input.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
    if (b != std::string::npos) form.to = input.substr(b + 1);
  }
  fw::BatchPlan plan = fw::planBatch(form);
  if (plan.ok() != plan.error.empty()) std::abort();
  if (plan.count > fw::kBatchMax) std::abort();
  if (!plan.ok()) {
    if (plan.count != 0 || !fw::expandBatch(form).empty()) std::abort();
    return 0;
  }
  // Expanding thousands of URLs per input would slow the search down; the plan's ends
  // are checked against the expansion for the small ones.
  if (plan.count <= 200) {
    std::vector<std::string> urls = fw::expandBatch(form);
    if (urls.size() != plan.count || urls.front() != plan.first || urls.back() != plan.last)
      std::abort();
  }
  // The placeholder is gone from what was made.
  if (plan.first.find('*') != std::string::npos || plan.last.find('[') != std::string::npos)
    std::abort();
  return 0;
}

// Feeds arbitrary bytes to the job database loader. A refused file leaves no tree; an
// accepted one must store again and load back with the same categories and jobs, so a
// tree the loader builds is always one the writer can keep.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "store/crc32.h"
#include "store/job_database.h"

namespace {

size_t countJobs(const fw::CategoryTree& tree) {
  size_t n = 0;
  tree.forEachInSaveOrder(
      [&](const fw::CategoryRecord& c, uint8_t, uint16_t) { n += fw::CategoryTree::jobCount(c); });
  return n;
}

void check(std::string_view bytes) {
  fw::CategoryTree tree;
  if (fw::decodeJobDatabase(bytes, tree) != fw::kDbLoaded) {
    if (!tree.empty()) std::abort();
    return;
  }
  std::string once = fw::encodeJobDatabase(tree);
  fw::CategoryTree again;
  if (fw::decodeJobDatabase(once, again) != fw::kDbLoaded) std::abort();
  if (again.categoryCount() != tree.categoryCount()) std::abort();
  if (countJobs(again) != countJobs(tree)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  check(bytes);
  // Mutations rarely keep the CRC right; a second pass with it repaired lets them reach
  // the record walk.
  if (bytes.size() >= fw::kDbHeaderSize) {
    uint32_t crc = fw::crc32(bytes.data() + fw::kDbHeaderSize, bytes.size() - fw::kDbHeaderSize);
    for (int i = 0; i < 4; ++i) bytes[3 + i] = static_cast<char>(crc >> (8 * i));
    check(bytes);
  }
  return 0;
}

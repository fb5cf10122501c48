#pragma once
// The ".npd" job database: every category and job of the program in one file, written
// whole on each save and read whole on open. Little-endian, no padding; an 11-byte
// header carries the CRC-32 of the body.
//
// Main thread only (the tree belongs to the main thread).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/atomic_file.h"
#include "store/category_tree.h"

namespace fw {

class QueueHooks;

// Load results.
inline constexpr int kDbLoaded = 1;
inline constexpr int kDbCannotOpen = 0;
inline constexpr int kDbDamaged = -1;

inline constexpr size_t kDbHeaderSize = 11;
inline constexpr uint8_t kDbVersion = 1;
inline constexpr uint8_t kDbRefusedVersion = 7;  // this version byte and above are refused
inline constexpr uint8_t kDbTagJob = 1;
inline constexpr uint8_t kDbTagCategory = 2;
inline constexpr const char* kDbExtension = ".npd";
inline constexpr const char* kDefaultDbName = "Default.npd";

// What to write for a job instead of its live record, or null to write the record. A
// running job's record runs ahead of its file; the saver hands in a copy that claims only
// what is on disk.
using JobStandIn = std::function<const JobRecord*(const JobRecord&)>;

// The whole file for `tree`. Lists longer than 255 entries (which job_lists.h never
// builds) are written with their first 255 so the file stays readable.
std::string encodeJobDatabase(const CategoryTree& tree, const JobStandIn& standIn = {});

// Parses a whole file into `out` (cleared first). Returns kDbLoaded, or kDbDamaged with
// `out` empty when the bytes are not a usable database: shorter than the header, a
// version of 7 or more, a CRC mismatch, any record running past the end, an unknown tag,
// a job before any category, two categories claiming one place, three categories or
// fewer, or one of the fixed categories 0 to 3 missing. Never reads outside `bytes`.
// Runtime fields (activeRoles, controller, inUse, listIndex, links) start cleared; each
// job's `category` is translated from the stored id to the loaded one.
int decodeJobDatabase(std::string_view bytes, CategoryTree& out);

// Save: writes `tree` to `path` atomically (mode 0600). 1, or 0 when the file cannot be
// written; the old file is then untouched.
int saveJobDatabase(const std::string& path, const CategoryTree& tree,
                    const AtomicWriteOptions& options = {}, const JobStandIn& standIn = {});

// Load: frees `tree` first (telling `queue` to forget its jobs), then reads `path`.
// kDbLoaded; kDbCannotOpen when the file is missing, unreadable or empty; kDbDamaged as
// decodeJobDatabase (the tree is left empty). On success the scheduled jobs of
// "Download" are handed to `queue` (when given).
int loadJobDatabase(const std::string& path, CategoryTree& tree, QueueHooks* queue = nullptr);

// Builds the eight default categories in `tree` (cleared first). `downloadFolder` is the
// user's download folder; "Deleted" and the four sub-categories of "Downloaded" get
// folders inside it.
void buildDefaultTree(CategoryTree& tree, const std::string& downloadFolder);

// DefaultPath: `dataFolder` + "/Default.npd" (no doubled "/"); "/Default.npd" when
// `dataFolder` is empty.
std::string defaultDatabasePath(const std::string& dataFolder);

}  // namespace fw

#pragma once
// What the job property sheet ("Property Dialog") shows, checks and writes, without its
// widgets: the values of its three pages, the checks of the "General" page in their
// order, the "Alternate URL:" rule, OK on a new job (duplicate URL, start type, further
// URLs taking the first job's settings), OK on an existing job, and "Save as default".
//
// Main thread only (they read and change the category tree and job records).

#include <cstdint>
#include <string>
#include <vector>

#include "records/job_record.h"
#include "store/job_operations.h"
#include "store/settings_records.h"

namespace fw {

inline constexpr const char* kInvalidUrlText = "Invalid URLs...";
inline constexpr const char* kInvalidSaveDirText = "Invalid  Save Directory...";
inline constexpr const char* kInputRenameText = "Please input rename.";
inline constexpr const char* kDuplicateUrlText = "Duplicate URL";

struct JobSheetValues {
  // "General".
  std::string url;
  std::string referrer;
  uint16_t category = kCategoryDownloaded;
  std::string saveDir;
  std::string fileName;
  int splitCount = 1;
  int rate = 3;  // 1 to 5
  StartMode startMode = kStartImmediately;
  std::string comment;
  // "Advanced".
  bool ftpSubdirs = false;
  bool ftpCreateDirs = false;
  bool ftpCategory = false;
  std::string userName;
  std::string password;
  int httpProxy = 0;  // 0-based place in the proxy list
  int ftpProxy = 0;
  bool multiProxy = false;
  // "Alternate URLs".
  std::vector<std::string> altUrls;

  bool operator==(const JobSheetValues&) const = default;
};

// A new job's values: the new-job defaults ("DefaultPath", "Splitter", "Rate", "Cate",
// "DFlags", the default proxies), then `url`, `referrer` and `comment`, the name from the
// URL's file name.
JobSheetValues newJobValues(const Settings& settings, const std::string& url,
                            const std::string& referrer, const std::string& comment);
// An existing job's values.
JobSheetValues jobValues(const JobRecord& job);

// The fields a check can fail on, to put the focus on.
enum class SheetField { None, Url, SaveDir, FileName };

struct SheetCheck {
  SheetField field = SheetField::None;
  std::string message;  // "" when the page passed
  bool ok() const { return field == SheetField::None; }
};

// The "General" page's checks, in order; the first failure is returned. A URL carrying a
// user name or password is rewritten without them and they become the login; the split
// count is brought into 1..maxSplit.
SheetCheck checkGeneralPage(JobSheetValues& values, uint32_t maxSplit);

// "Add" of the "Alternate URLs" page: the trimmed text names an http, https or ftp URL
// and is more than its scheme.
bool alternateUrlAddable(const std::string& text);
// The text as it is added to the list: trimmed, its case kept.
std::string alternateUrlToAdd(const std::string& text);

struct NewJobResult {
  JobRecord* job = nullptr;  // the first job, null when nothing was added
  int furtherAdded = 0;
  std::string refusal;  // kDuplicateUrlText or kInvalidUrlText when the first was refused
};

// OK on a new job (values already checked): refused with "Duplicate URL" when a job of the
// same URL exists; otherwise the job is appended to "Download" and started or queued as
// its start type says. Each of `furtherUrls` becomes a job of its own with the first
// one's settings and the name of its own URL; a further URL already listed ends the loop.
NewJobResult addNewJobs(JobContext& ctx, const JobSheetValues& values,
                        const std::vector<std::string>& furtherUrls);

// Each of `urls` added as a job with `values`' settings and the name of its own URL; a URL
// already listed ends the loop. Returns how many were added.
int addFurtherJobs(JobContext& ctx, const JobSheetValues& values,
                   const std::vector<std::string>& urls);

// The request AddJob takes for `values`, for `url` (the first job's settings).
AddJobRequest jobRequest(const JobSheetValues& values, const std::string& url, bool withName);

// OK on an existing job: the sheet's fields written into the record (under the job's
// record lock while it runs).
void applyToJob(JobRecord& job, const JobSheetValues& values);

// "Save as default": the values become the new-job defaults.
void saveAsDefault(const JobSheetValues& values, GeneralSettings& general);

}  // namespace fw

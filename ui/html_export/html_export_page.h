#pragma once
// The job list of a category as a web page, in the "Normal" (a list per job) or "Table"
// style, optionally with its sub-categories. The page's frame is a fixed template; every
// value put into it is escaped for HTML, and a link goes only to a web or FTP address or
// to the saved file, so that a name or a comment chosen by a server cannot add markup
// or script to the page.
//
// Pure functions, except htmlExportSnapshot (main thread only: it reads running jobs).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "records/date_stamp.h"
#include "records/job_record.h"

namespace fw {

// The style's number as the dialog's choice stores it.
enum class HtmlStyle { Normal = 2, Table = 3 };

struct HtmlJob {
  std::string url;
  std::string fileName;
  int rate = 1;
  int64_t received = 0;
  int64_t total = -1;  // -1 unknown
  bool finished = false;
  DateStamp completeTime;
  std::string savedPath;  // the file's full path
  std::string referer;
  std::string comment;
};

struct HtmlCategory {
  std::string name;
  std::vector<HtmlJob> jobs;
  std::vector<HtmlCategory> children;  // sub-categories in tree order
};

// The category's jobs in list order and, with `withChildren`, its sub-categories'
// (recursively). Running jobs are read under their locks.
HtmlCategory htmlExportSnapshot(const CategoryRecord& cat, bool withChildren);

// The page. `sizeInBytes`: sizes as byte counts instead of KB ("Display file size in
// bytes").
std::string htmlExportPage(const HtmlCategory& top, HtmlStyle style, bool includeSub,
                           bool sizeInBytes);

// &, <, >, " and ' as character references.
std::string escapeHtml(std::string_view text);
// `url` when it is an http, https or ftp address, else empty (a link to the page itself).
std::string safeHref(std::string_view url);
// A local path for "file://": bytes other than letters, digits and -._~/ percent-encoded.
std::string fileHrefPath(std::string_view path);

}  // namespace fw

#include "ui/panes/detail_rows.h"

#include <cstdio>

#include "ui/panes/job_columns.h"

namespace fw {

namespace {

std::string urls(const JobRecord& job) {
  std::string out = job.url;
  for (const std::string& alt : job.altUrls) out += "; " + alt;
  return out;
}

std::string dateText(const DateStamp& d) {
  return d.isSet() ? d.detailText() : std::string();
}

std::string percent(const ShownProgress& p) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%3d%%", percentComplete(p.downloaded, p.fileSize));
  return buf;
}

}  // namespace

std::vector<DetailRow> jobDetailRows(const JobRecord& job, const ShownProgress& p,
                                     bool sizeInBytes) {
  const std::string size = p.fileSize >= 0 ? sizeText(p.fileSize, sizeInBytes) : std::string();
  const std::string completed = sizeText(p.downloaded, sizeInBytes);
  if (!p.complete) {
    return {
        {"URLs", urls(job)},
        {"Rate", rateText(job.rate)},
        {"Save Location", p.saveDir},
        {"Completed", completed},
        {"Percent", percent(p)},
        {"Elapsed Time", elapsedText(job.elapsedSeconds)},
        {"Left Time", leftTimeText(p)},
        {"Number", std::to_string(job.activeRoles)},
        {"Speed", p.running ? speedText(p.speed) : std::string()},
        {"File Date", dateText(p.fileDate)},
        {"File Size", size},
        {"Comment", job.comment},
    };
  }
  int64_t average = job.elapsedSeconds > 0 && p.fileSize > 0
                        ? p.fileSize / static_cast<int64_t>(job.elapsedSeconds)
                        : 0;
  const bool resumable = (p.flags & jobflags::kResumeMask) == jobflags::kResumable;
  return {
      {"URLs", urls(job)},
      {"Rate", std::to_string(job.rate)},
      {"Comment", job.comment},
      {"Referer", job.referer},
      {"Resume", resumable ? "yes" : "no"},
      {"Save Location", p.saveDir},
      {"File Date", dateText(p.fileDate)},
      {"File Size", size},
      {"Completed", completed},
      {"Total Time", elapsedText(job.elapsedSeconds)},
      {"Average Speed", speedText(average)},
      {"Create Time", dateText(p.createTime)},
      {"Complete Time", dateText(job.completeTime)},
  };
}

std::vector<DetailRow> roleDetailRows(const RoleProgress& r, bool sizeInBytes) {
  std::vector<DetailRow> rows{{"Role", "Role" + std::to_string(r.roleNo)}};
  if (r.start >= 0) {
    rows.push_back(
        {"Range", sizeText(r.start, sizeInBytes) + " - " + sizeText(r.end, sizeInBytes)});
    rows.push_back({"Left", sizeText(r.end >= r.start ? r.end - r.start + 1 : 0, sizeInBytes)});
  } else {
    rows.push_back({"Range", ""});
  }
  rows.push_back({"Speed", speedText(r.speed)});
  return rows;
}

}  // namespace fw

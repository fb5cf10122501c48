#include "ui/dialogs/job_sheet_values.h"

#include <algorithm>
#include <cctype>

#include "engine/url/url_parse.h"
#include "jobs/job_progress.h"
#include "platform/ascii_text.h"

namespace fw {

namespace {

std::string urlFileName(const std::string& url) {
  UrlParts parts;
  return parseUrl(std::string_view(url), parts) == 1 ? parts.fileName : std::string();
}

int proxyPlace(uint8_t stored) {
  return stored == 0 ? 0 : stored - 1;
}

}  // namespace

JobSheetValues newJobValues(const Settings& settings, const std::string& url,
                            const std::string& referrer, const std::string& comment) {
  const GeneralSettings& g = settings.general;
  JobSheetValues v;
  v.url = url;
  v.referrer = referrer;
  v.comment = comment;
  v.category = static_cast<uint16_t>(g.cate);
  v.saveDir = g.defaultPath;
  v.fileName = urlFileName(url);
  v.splitCount = static_cast<int>(g.splitter);
  v.rate = static_cast<int>(g.rate);
  v.startMode = static_cast<StartMode>(std::min<uint32_t>(g.dFlags & 3, kStartSchedule));
  v.ftpSubdirs = g.dFlags & jobflags::kFtpSubdirs;
  v.ftpCreateDirs = g.dFlags & jobflags::kFtpCreateDirs;
  v.ftpCategory = g.dFlags & jobflags::kFtpCategory;
  v.httpProxy = proxyPlace(static_cast<uint8_t>(settings.proxy.defaultHttp));
  v.ftpProxy = proxyPlace(static_cast<uint8_t>(settings.proxy.defaultFtp));
  return v;
}

JobSheetValues jobValues(const JobRecord& job) {
  JobSheetValues v;
  v.url = job.url;
  v.referrer = job.referer;
  v.category = job.category;
  v.saveDir = job.saveDir;
  v.fileName = job.fileName;
  v.splitCount = job.splitCount;
  v.rate = std::clamp<int>(job.rate, 1, 5);
  v.startMode = static_cast<StartMode>(std::min<int>(job.startMode(), kStartSchedule));
  v.comment = job.comment;
  v.ftpSubdirs = job.flags & jobflags::kFtpSubdirs;
  v.ftpCreateDirs = job.flags & jobflags::kFtpCreateDirs;
  v.ftpCategory = job.flags & jobflags::kFtpCategory;
  v.userName = job.userName;
  v.password = job.password;
  v.httpProxy = proxyPlace(job.httpProxy);
  v.ftpProxy = proxyPlace(job.ftpProxy);
  v.multiProxy = job.flags & jobflags::kMultiProxy;
  v.altUrls = job.altUrls;
  return v;
}

SheetCheck checkGeneralPage(JobSheetValues& values, uint32_t maxSplit) {
  std::string url = trimmed(values.url);
  UrlParts parts;
  if (parseUrl(std::string_view(url), parts) != 1) return {SheetField::Url, kInvalidUrlText};
  if (!parts.user.empty() || !parts.password.empty()) {
    parseUrl(url, parts, true);
    values.userName = parts.user;
    values.password = parts.password;
  }
  values.url = url;
  if (trimmed(values.saveDir).empty()) return {SheetField::SaveDir, kInvalidSaveDirText};
  size_t first = values.fileName.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {SheetField::FileName, kInputRenameText};
  values.fileName = values.fileName.substr(first);
  values.splitCount =
      std::clamp<int>(values.splitCount, 1, static_cast<int>(std::max(1u, maxSplit)));
  return {};
}

bool alternateUrlAddable(const std::string& text) {
  std::string t = trimmed(text);
  std::transform(t.begin(), t.end(), t.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const char* scheme : {"ftp://", "http://", "https://"}) {
    const size_t at = t.find(scheme);
    if (at != std::string::npos && t != scheme) return true;
  }
  return false;
}

std::string alternateUrlToAdd(const std::string& text) {
  return trimmed(text);
}

AddJobRequest jobRequest(const JobSheetValues& v, const std::string& url, bool withName) {
  AddJobRequest r;
  r.url = url;
  r.startMode = v.startMode;
  r.saveDir = v.saveDir;
  // A name the user did not change stays open to the name the server gives.
  if (withName && v.fileName != urlFileName(url)) r.fileName = v.fileName;
  r.category = v.category;
  r.splitCount = static_cast<uint8_t>(std::clamp(v.splitCount, 1, 255));
  r.referer = v.referrer;
  r.userName = v.userName;
  r.password = v.password;
  if (withName) r.comment = v.comment;
  r.httpProxy = static_cast<uint8_t>(v.httpProxy + 1);
  r.ftpProxy = static_cast<uint8_t>(v.ftpProxy + 1);
  r.rate = static_cast<uint8_t>(std::clamp(v.rate, 1, 5));
  r.extraFlags = static_cast<uint16_t>((v.ftpSubdirs ? jobflags::kFtpSubdirs : 0) |
                                       (v.ftpCreateDirs ? jobflags::kFtpCreateDirs : 0) |
                                       (v.ftpCategory ? jobflags::kFtpCategory : 0) |
                                       (v.multiProxy ? jobflags::kMultiProxy : 0));
  return r;
}

namespace {

// AddJob ORs the "DFlags" option bits in; the sheet's own choices replace them.
void takeSheetFlags(JobRecord& job, const JobSheetValues& v) {
  constexpr uint16_t kSheetBits = jobflags::kFtpSubdirs | jobflags::kFtpCreateDirs |
                                  jobflags::kFtpCategory | jobflags::kMultiProxy;
  job.flags = static_cast<uint16_t>((job.flags & ~kSheetBits) |
                                    (jobRequest(v, job.url, false).extraFlags & kSheetBits));
}

}  // namespace

NewJobResult addNewJobs(JobContext& ctx, const JobSheetValues& values,
                        const std::vector<std::string>& furtherUrls) {
  NewJobResult result;
  if (ctx.tree.findJobByUrl(values.url)) {
    result.refusal = kDuplicateUrlText;
    return result;
  }
  result.job = addJob(ctx, jobRequest(values, values.url, true));
  if (!result.job) {
    result.refusal = kInvalidUrlText;
    return result;
  }
  takeSheetFlags(*result.job, values);
  result.job->altUrls = values.altUrls;
  result.furtherAdded = addFurtherJobs(ctx, values, furtherUrls);
  return result;
}

int addFurtherJobs(JobContext& ctx, const JobSheetValues& values,
                   const std::vector<std::string>& urls) {
  int added = 0;
  for (const std::string& url : urls) {
    if (ctx.tree.findJobByUrl(url)) break;
    JobRecord* job = addJob(ctx, jobRequest(values, url, false));
    if (!job) continue;
    takeSheetFlags(*job, values);
    ++added;
  }
  return added;
}

void applyToJob(JobRecord& job, const JobSheetValues& v) {
  changeJob(job, [&v](JobRecord& j) {
    j.url = v.url;
    j.referer = v.referrer;
    j.saveDir = v.saveDir;
    if (j.fileName != v.fileName) {
      j.fileName = v.fileName;
      j.flags2 |= jobflags2::kNameFixed;
    }
    j.setStartMode(v.startMode);
    takeSheetFlags(j, v);
    j.userName = v.userName;
    j.password = v.password;
    if (!v.userName.empty() || !v.password.empty())
      j.flags |= jobflags::kLogin;
    else
      j.flags &= static_cast<uint16_t>(~jobflags::kLogin);
    j.httpProxy = static_cast<uint8_t>(v.httpProxy + 1);
    j.ftpProxy = static_cast<uint8_t>(v.ftpProxy + 1);
  });
  job.category = v.category;
  job.splitCount = static_cast<uint8_t>(std::clamp(v.splitCount, 1, 255));
  job.rate = static_cast<uint8_t>(std::clamp(v.rate, 1, 5));
  job.comment = v.comment;
  job.altUrls = v.altUrls;
}

void saveAsDefault(const JobSheetValues& v, GeneralSettings& g) {
  g.defaultPath = v.saveDir;
  g.splitter = static_cast<uint32_t>(
      std::clamp<int>(v.splitCount, GeneralSettings::kSplitterMin, GeneralSettings::kSplitterMax));
  g.rate = static_cast<uint32_t>(std::clamp(v.rate, 1, 5));
  g.cate = v.category;
  g.dFlags = (static_cast<uint32_t>(v.startMode) | (v.ftpSubdirs ? jobflags::kFtpSubdirs : 0u) |
              (v.ftpCreateDirs ? jobflags::kFtpCreateDirs : 0u) |
              (v.ftpCategory ? jobflags::kFtpCategory : 0u)) &
             GeneralSettings::kDFlagsMask;
}

}  // namespace fw

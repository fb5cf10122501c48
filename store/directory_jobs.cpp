#include "store/directory_jobs.h"

#include "engine/ftp/ftp_listing.h"
#include "engine/url/ftp_directory_url.h"
#include "engine/url/percent_decode.h"
#include "store/category_commands.h"

namespace fw {
namespace {

// Every "/"-separated component of `path` is a safe listing name (an empty path is fine).
bool safeRelativePath(const std::string& path, bool decode) {
  if (path.empty()) return true;
  size_t start = 0;
  for (;;) {
    size_t slash = path.find('/', start);
    std::string part = path.substr(start, slash == std::string::npos ? slash : slash - start);
    if (!isSafeListingName(decode ? percentDecode(part) : part)) return false;
    if (slash == std::string::npos) return true;
    start = slash + 1;
  }
}

bool belowDirectory(const std::string& url, const std::string& dirUrl) {
  if (url.size() <= dirUrl.size() || url.compare(0, dirUrl.size(), dirUrl) != 0) return false;
  if (isFtpDirectoryUrl(url)) return false;
  return safeRelativePath(url.substr(dirUrl.size()), true);
}

CategoryRecord* childNamed(CategoryRecord& parent, const std::string& name) {
  for (CategoryRecord* c = parent.firstChild; c; c = c->nextSibling)
    if (c->name == name) return c;
  return nullptr;
}

CategoryRecord* directoryCategory(JobContext& ctx, const JobRecord& dirJob,
                                  const std::string& saveDir) {
  std::string name = ftpDirectoryJobName(dirJob.url);
  if (name.size() < 2) return nullptr;
  name.pop_back();
  CategoryRecord* parent =
      dirJob.category > kCategoryDeleted ? ctx.tree.findCategory(dirJob.category) : nullptr;
  if (!parent) parent = ctx.tree.root();
  if (!parent) return nullptr;
  if (CategoryRecord* existing = childNamed(*parent, name)) return existing;
  // No message box: a name the listing gave is not the user's typing to correct.
  return createCategory(ctx.tree, *parent, name, saveDir, CategoryUi{nullptr, ctx.view, nullptr});
}

}  // namespace

int addDirectoryJobs(JobContext& ctx, const JobRecord& dirJob,
                     const std::vector<DirectoryFile>& files, DirectoryJobsOutcome* outcome) {
  DirectoryJobsOutcome local;
  DirectoryJobsOutcome& out = outcome ? *outcome : local;
  const std::string base =
      dirJob.saveDir.empty() ? ctx.settings.general.defaultPath : dirJob.saveDir;
  const bool subFolders = dirJob.flags & jobflags::kFtpCreateDirs;
  CategoryRecord* category = nullptr;
  if ((dirJob.flags & jobflags::kFtpCategory) && !files.empty()) {
    category = directoryCategory(ctx, dirJob, base);
    out.category = category;
  }
  const uint16_t directoryBits =
      jobflags::kFtpSubdirs | jobflags::kFtpCreateDirs | jobflags::kFtpCategory;

  for (const DirectoryFile& f : files) {
    if (!belowDirectory(f.url, dirJob.url) || !safeRelativePath(f.subDir, false)) {
      out.count.refused++;
      continue;
    }
    if (ctx.tree.findJobByUrl(f.url)) {
      out.count.duplicates++;
      continue;
    }
    AddJobRequest req;
    req.url = f.url;
    req.startMode = dirJob.startMode() == kStartSchedule ? kStartSchedule : kStartImmediately;
    req.saveDir = subFolders && !f.subDir.empty() ? base + "/" + f.subDir : base;
    req.category = category ? category->id : dirJob.category;
    req.splitCount = dirJob.splitCount;
    req.referer = dirJob.referer;
    if (dirJob.flags & jobflags::kLogin) {
      req.userName = dirJob.userName;
      req.password = dirJob.password;
    }
    req.comment = dirJob.comment;
    req.ftpProxy = dirJob.ftpProxy;
    req.httpProxy = dirJob.httpProxy;
    req.option3 = dirJob.option3;
    req.option4 = dirJob.option4;
    req.extraFlags = static_cast<uint16_t>(dirJob.flags & 0x5C & ~directoryBits);
    req.rate = dirJob.rate;
    JobRecord* job = addJob(ctx, req);
    if (!job) {
      out.count.refused++;
      continue;
    }
    // "DFlags" may carry the directory bits as defaults for new jobs; they mean nothing
    // to a file and would only confuse whoever edits this job later.
    job->flags &= static_cast<uint16_t>(~directoryBits);
    out.added.push_back(job);
    out.count.added++;
  }
  return out.count.added;
}

}  // namespace fw

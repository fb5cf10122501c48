#include "store/job_operations.h"

#include "engine/url/url_parse.h"
#include "jobs/queue_hooks.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "store/tree_view.h"

namespace fw {
namespace {

// Folder names from settings and dialogs may still be written the Windows way.
std::string normalizedFolder(const std::string& dir) {
  std::string d = mapWindowsFolder(dir);
  while (d.size() > 1 && d.back() == '/') d.pop_back();
  return d;
}

bool isShown(JobContext& ctx, const CategoryRecord& cat) {
  return ctx.view && ctx.view->shownCategory() == &cat;
}

StartMode startModeOf(uint32_t value) {
  if (value == kStartManual) return kStartManual;
  if (value == kStartImmediately) return kStartImmediately;
  return kStartSchedule;
}

}  // namespace

std::unique_ptr<JobRecord> newJobRecord() {
  return std::make_unique<JobRecord>();
}

JobRecord* addJob(JobContext& ctx, const AddJobRequest& req) {
  const GeneralSettings& g = ctx.settings.general;
  UrlParts parts;
  if (parseUrl(std::string_view(req.url), parts) != 1) return nullptr;
  if (ctx.tree.findJobByUrl(req.url)) return nullptr;
  CategoryRecord* download = ctx.tree.findCategory(kCategoryDownload);
  if (!download) return nullptr;

  auto job = newJobRecord();
  job->url = req.url;
  job->setStartMode(startModeOf(req.startMode == kUseDefault8 ? (g.dFlags & 3) : req.startMode));
  job->category =
      req.category == kUseDefaultCategory ? static_cast<uint16_t>(g.cate) : req.category;
  job->ftpProxy = req.ftpProxy == kUseDefault8 ? static_cast<uint8_t>(ctx.settings.proxy.defaultFtp)
                                               : req.ftpProxy;
  job->httpProxy = req.httpProxy == kUseDefault8
                       ? static_cast<uint8_t>(ctx.settings.proxy.defaultHttp)
                       : req.httpProxy;
  job->rate = req.rate == kUseDefault8 ? static_cast<uint8_t>(g.rate) : req.rate;
  job->option3 = req.option3;
  job->option4 = req.option4;
  job->fileSize = -1;
  if (g.option(generalcheck::kTempExtension)) job->flags |= jobflags::kTempExt;
  // The start-mode bits of "DFlags" were applied above; OR-ing them again would turn an
  // explicit Manual into Immediately and Schedule into the invalid mode 3.
  job->flags |=
      static_cast<uint16_t>(g.dFlags & GeneralSettings::kDFlagsMask & ~jobflags::kStartModeMask);
  job->flags |= req.extraFlags & 0x5C;

  if (!parts.user.empty() || !parts.password.empty()) {
    job->userName = parts.user;
    job->password = parts.password;
    job->flags |= jobflags::kLogin;
  } else if (!req.userName.empty() || !req.password.empty()) {
    job->userName = req.userName;
    job->password = req.password;
    job->flags |= jobflags::kLogin;
  }

  const uint8_t splitter = static_cast<uint8_t>(g.splitter);
  if (!req.saveDir.empty()) {
    job->saveDir = normalizedFolder(req.saveDir);
    job->splitCount =
        (req.splitCount == kUseDefault8 || req.splitCount == 0) ? splitter : req.splitCount;
  } else {
    CategoryRecord* cat =
        job->category > kCategoryDownload ? ctx.tree.findCategory(job->category) : nullptr;
    if (job->category == kCategoryRoot) {
      job->category = static_cast<uint16_t>(g.cate);
      job->saveDir = normalizedFolder(g.defaultPath);
    } else if (cat) {
      job->saveDir = normalizedFolder(cat->saveDir);
    } else {
      job->saveDir = normalizedFolder(g.defaultPath);
    }
    job->splitCount = splitter;
  }

  job->fileName = parts.fileName;
  if (!req.fileName.empty()) {
    job->fileName = req.fileName;
    job->flags2 |= jobflags2::kNameFixed;
  }
  if (!req.comment.empty()) job->comment = req.comment;
  if (!req.referer.empty()) job->referer = req.referer;
  JobRecord* raw = job.release();
  appendJobToCategory(ctx, *download, raw);
  return raw;
}

void appendJobToCategory(JobContext& ctx, CategoryRecord& cat, JobRecord* job) {
  ctx.tree.appendJob(cat, job);
  if (isShown(ctx, cat)) ctx.view->rowInserted(*job);
  if (ctx.queue) {
    if (job->startMode() == kStartImmediately)
      ctx.queue->startJob(*job);
    else if (job->startMode() == kStartSchedule)
      ctx.queue->addToSchedule(*job);
  }
  const SoundSettings& s = ctx.settings.sounds;
  if (ctx.view && (s.sflag & soundflags::kSoundsOn) && !s.addNewJob.empty())
    ctx.view->playSound(s.addNewJob);
}

bool moveJob(JobContext& ctx, JobRecord& job, uint16_t targetId, bool atHead) {
  CategoryRecord* holder = ctx.tree.holderOf(job);
  if (!holder) return false;
  CategoryRecord* target = ctx.tree.findCategory(targetId);
  if (!target) target = ctx.tree.findCategory(kCategoryDownloaded);
  if (!target || target == holder) return true;
  if (isShown(ctx, *holder)) ctx.view->rowRemoved(job);
  JobRecord* raw = ctx.tree.unlinkJob(*holder, job).release();
  if (atHead)
    ctx.tree.pushFrontJob(*target, raw);
  else
    ctx.tree.appendJob(*target, raw);
  if (isShown(ctx, *target)) ctx.view->rowInserted(*raw);
  return true;
}

int restartFromZero(JobContext& ctx, const std::vector<JobRecord*>& jobs) {
  if (ctx.boxes &&
      ctx.boxes->show(kRestartQuestion, BoxIcon::Question, BoxButtons::YesNo) != kBoxYes)
    return 0;
  const bool tempExt = ctx.settings.general.option(generalcheck::kTempExtension);
  int restarted = 0;
  for (JobRecord* job : jobs) {
    if (job->activeRoles > 0) continue;
    job->fileDate = DateStamp{};
    job->createTime = DateStamp{};
    job->completeTime = DateStamp{};
    job->fileSize = -1;
    job->downloaded = 0;
    job->elapsedSeconds = 0;
    job->parts.clear();
    job->roleLogs.clear();
    // The file name depends on the flags, so it goes before they change.
    if (ctx.deleteFile) ctx.deleteFile(*job);
    job->flags &= static_cast<uint16_t>(~(jobflags::kComplete | jobflags::kResumable));
    job->flags2 = 0;
    if (tempExt)
      job->flags |= jobflags::kTempExt;
    else
      job->flags &= static_cast<uint16_t>(~jobflags::kTempExt);
    CategoryRecord* holder = ctx.tree.holderOf(*job);
    if (holder && holder->id != kCategoryDownload) moveJob(ctx, *job, kCategoryDownload, false);
    if (ctx.queue) ctx.queue->startJob(*job);
    ++restarted;
  }
  return restarted;
}

int moveJobs(JobContext& ctx, CategoryRecord& source, const std::vector<JobRecord*>& jobs,
             CategoryRecord* target) {
  if (!target || jobs.empty()) return 0;
  const bool fromQueue = source.id == kCategoryDownload;
  for (JobRecord* job : jobs) {
    bool busy =
        job->activeRoles > 0 ||
        (fromQueue && (job->startMode() == kStartSchedule || (job->flags2 & jobflags2::kQueued)));
    if (busy) {
      if (ctx.boxes) ctx.boxes->show(kCannotMoveJob, BoxIcon::Information, BoxButtons::Ok);
      return 0;
    }
  }
  bool moveFiles =
      ctx.boxes && ctx.boxes->show(kAlsoMoveFile, BoxIcon::Question, BoxButtons::YesNo) == kBoxYes;
  int moved = 0;
  for (auto it = jobs.rbegin(); it != jobs.rend(); ++it) {
    JobRecord& job = **it;
    if (ctx.queue) {
      if (job.activeRoles > 0) ctx.queue->stopJob(job);
      ctx.queue->removeFromQueues(job);
    }
    if (!moveJob(ctx, job, target->id, false)) continue;
    if (moveFiles && ctx.moveFile) {
      const std::string dir = normalizedFolder(target->saveDir);
      if (ctx.moveFile(job, dir) >= 0) job.saveDir = dir;
    }
    ++moved;
  }
  if (ctx.view) ctx.view->refreshJobList();
  return moved;
}

}  // namespace fw

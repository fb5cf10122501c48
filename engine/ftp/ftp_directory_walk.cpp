#include "engine/ftp/ftp_directory_walk.h"

#include <cstdio>

#include "engine/base/control_codes.h"
#include "engine/ftp/ftp_command.h"
#include "engine/ftp/ftp_listing.h"
#include "engine/ftp/ftp_listing_exchange.h"
#include "engine/ftp/ftp_log.h"
#include "engine/ftp/ftp_queries.h"
#include "engine/ftp/ftp_reply.h"
#include "engine/url/ftp_directory_url.h"
#include "engine/url/percent_decode.h"

namespace fw {
namespace {

struct PendingDir {
  std::string rel;  // "" for the fetched directory, else "sub/deeper"
  int depth = 0;
};

std::string relJoin(const std::string& rel, const std::string& name) {
  return rel.empty() ? name : rel + "/" + name;
}

bool brokenExchange(int r) {
  return r < 1 || r == kFtpReplyClosing;
}

// One directory's listing text; a failed passive connection switches the Role to active
// mode for good, as the file steps do.
int listOne(FtpSession& session, RoleRecord& role, const FtpSettings& settings,
            const std::string& path, std::string& text) {
  for (;;) {
    bool passive = role.proxy.flags & proxyflags::kPassive;
    int r = listDirectory(session, role, settings, path, passive, text);
    if (!(passive && r == 2)) return r;
    role.proxy.flags &= ~proxyflags::kPassive;
  }
}

}  // namespace

int walkFtpDirectory(FtpSession& session, RoleRecord& role, const FtpSettings& settings,
                     const std::string& rootPath, const std::string& dirUrl, bool recursive,
                     const DirectoryWalkLimits& limits, std::vector<DirectoryFile>& out) {
  std::vector<PendingDir> pending{PendingDir{}};
  size_t taken = 0;
  bool depthLogged = false;
  // Every listing adds its sub-directories to `pending`; the entry limit bounds the loop.
  while (!pending.empty()) {
    if (role.stopEvent.tryWait()) return role.outcome.load();
    PendingDir dir = pending.back();
    pending.pop_back();
    std::string path = rootPath + (dir.rel.empty() ? "" : dir.rel + "/");
    if (!dir.rel.empty() && path.size() + 5 > kFtpCommandLimit) {
      // The command could not be sent; that must not cost the directories already listed.
      ftpLog(role, kLogError, "Path too long to list: " + printableName(path));
      continue;
    }
    std::string text;
    int r = listOne(session, role, settings, path, text);
    if (r != 1) {
      if (dir.rel.empty() || brokenExchange(r)) return r;
      ftpLog(role, kLogError,
             "Cannot list " + printableName(path) + " (reply " + std::to_string(r) + ")");
      continue;
    }
    std::vector<PendingDir> below;
    for (const FtpListEntry& e : parseListing(text)) {
      if (e.name == "." || e.name == "..") continue;
      if (!isSafeListingName(e.name)) {
        ftpLog(role, kLogError, "Unsafe name skipped: " + printableName(e.name));
        continue;
      }
      if (taken >= limits.maxEntries) {
        ftpLog(role, kLogError,
               "Directory walk stopped at " + std::to_string(limits.maxEntries) + " entries");
        return 1;
      }
      if (e.isDirectory && !e.isLink) {
        if (!recursive) continue;
        if (dir.depth + 1 > limits.maxDepth) {
          if (!depthLogged)
            ftpLog(role, kLogError,
                   "Directory walk stopped at " + std::to_string(limits.maxDepth) +
                       " levels: " + printableName(relJoin(dir.rel, e.name)));
          depthLogged = true;
          continue;
        }
        ++taken;
        below.push_back(PendingDir{relJoin(dir.rel, e.name), dir.depth + 1});
        continue;
      }
      ++taken;
      DirectoryFile f;
      f.url = ftpFileUrl(dirUrl, dir.rel, e.name);
      f.subDir = dir.rel;
      f.size = e.size;
      f.date = e.date;
      out.push_back(std::move(f));
    }
    // Listed order: the first sub-directory is walked first.
    pending.insert(pending.end(), below.rbegin(), below.rend());
  }
  return 1;
}

int ftpStepDirectoryWalk(RoleRecord& role, FtpStepContext& ctx, const DirectoryWalkLimits& limits) {
  bool recursive;
  {
    LockGuard g(ctx.job.jobLock);
    recursive = ctx.job.job.flags & jobflags::kFtpSubdirs;
  }
  const std::string root = percentDecode(role.target.path);
  // Some servers list a missing directory as an empty one; asking to enter it first tells
  // a missing directory from an empty one. A server without the command is not refusing.
  int r = ftpCommandReply(ctx.session, role, ctx.settings, "CWD " + root);
  if (brokenExchange(r)) {
    ctx.code = r;
    return kStepDispatch;
  }
  if (r > 500 && r != 502) {
    ftpLog(role, kLogError, "Invalid URL!");
    ctx.code = kResultError;
    return kStepDispatch;
  }
  DirectoryHandOff handOff;
  r = walkFtpDirectory(ctx.session, role, ctx.settings, root, role.target.url, recursive, limits,
                       handOff.files);
  if (r != 1) {
    if (brokenExchange(r) || r < 500) {
      ctx.code = r;
      return kStepDispatch;
    }
    ftpLog(role, kLogError, "Invalid URL!");
    ctx.code = kResultError;
    return kStepDispatch;
  }
  if (role.channel)
    role.channel->control(role, CtlDirectoryListed, reinterpret_cast<intptr_t>(&handOff));
  char line[160];
  std::snprintf(line, sizeof line, "Directory listed: %d file(s)",
                static_cast<int>(handOff.files.size()));
  ftpLog(role, kLogState, line);
  const DirectoryAddCount& c = handOff.count;
  std::snprintf(line, sizeof line, "%d job(s) added, %d already in the list, %d refused", c.added,
                c.duplicates, c.refused);
  ftpLog(role, kLogState, line);
  {
    // The job has no file: complete, and nothing for the end of the run to rename.
    LockGuard g(ctx.job.jobLock);
    ctx.job.job.flags |= jobflags::kComplete;
    ctx.job.job.flags &= static_cast<uint16_t>(~jobflags::kTempExt);
  }
  return kStepEnd;
}

}  // namespace fw

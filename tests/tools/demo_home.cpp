// Writes a demonstration home folder for screenshots and trials: the registry store and a
// job database with categories and jobs in every state. Jobs marked to start come from
// `base-url` (a local web server): with one job at a time, the first runs and the second
// waits in the queue.
//
//   fw_demo_home HOME BASE-URL [SERVED-FOLDER]
//
// With SERVED-FOLDER (the server's document root) the running job resumes a download
// that is partly done, with its file already in place, so that its segment map shows
// every kind of range from the start.
// Nothing of it is used by the program itself.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/registry.h"
#include "store/category_tree.h"
#include "store/job_database.h"
#include "store/settings_io.h"

namespace {

using namespace fw;

DateStamp date(int y, int mo, int d, int h, int mi, int s) {
  DateStamp t;
  t.year = static_cast<uint16_t>(y);
  t.month = static_cast<uint8_t>(mo);
  t.day = static_cast<uint8_t>(d);
  t.hour = static_cast<uint8_t>(h);
  t.minute = static_cast<uint8_t>(mi);
  t.second = static_cast<uint8_t>(s);
  return t;
}

struct DemoJob {
  std::string url;
  std::string name;
  int64_t size = -1;
  int64_t downloaded = 0;
  StartMode mode = kStartManual;
  uint16_t flags = jobflags::kResumable;
  uint8_t split = 4;
  uint8_t rate = 3;
  uint32_t elapsed = 0;
  std::string comment;
  std::string referer;
  bool complete = false;
  std::vector<double> got;  // per range: how far its Role got (ranges of equal length)
};

JobRecord* make(CategoryTree& tree, CategoryRecord& cat, uint16_t category, const DemoJob& s,
                const std::string& dir) {
  auto* j = new JobRecord;
  j->url = s.url;
  j->fileName = s.name;
  j->saveDir = dir;
  j->fileSize = s.size;
  j->downloaded = s.downloaded;
  j->setStartMode(s.mode);
  j->flags = static_cast<uint16_t>(j->flags | s.flags);
  j->splitCount = s.split;
  j->rate = s.rate;
  j->elapsedSeconds = s.elapsed;
  j->comment = s.comment;
  j->referer = s.referer;
  j->category = category;
  if (s.downloaded > 0 || s.complete) j->createTime = date(2026, 12, 7, 21, 14, 3);
  j->fileDate = date(2026, 11, 28, 9, 30, 0);
  if (s.complete) {
    j->flags |= jobflags::kComplete;
    j->completeTime = date(2026, 12, 7, 21, 52, 41);
  } else if (s.downloaded > 0 && s.size > 0) {
    j->flags |= jobflags::kTempExt;
  }
  if (!s.got.empty() && s.size > 0) {
    const int64_t n = static_cast<int64_t>(s.got.size());
    const int64_t part = s.size / n;
    int64_t sum = 0;
    for (int64_t i = 0; i < n; ++i) {
      int64_t begin = i * part;
      int64_t end = i == n - 1 ? s.size - 1 : (i + 1) * part - 1;
      int64_t start = begin + static_cast<int64_t>(s.got[static_cast<size_t>(i)] *
                                                   static_cast<double>(end - begin));
      sum += start - begin;
      j->parts.push_back(PartRange{start, end, 0});
    }
    j->downloaded = sum;
    j->flags |= jobflags::kTempExt;
    if (!j->createTime.isSet()) j->createTime = date(2026, 12, 7, 21, 14, 3);
  }
  tree.appendJob(cat, j);
  return j;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: fw_demo_home HOME BASE-URL [SERVED-FOLDER]\n");
    return 2;
  }
  const std::string home = argv[1];
  const std::string base = argv[2];
  const std::string served = argc == 4 ? argv[3] : "";
  setenv("FETCHWRIGHT_HOME", home.c_str(), 1);
  makeDirs(configDir(), 0700);
  makeDirs(dataDir(), 0700);
  const std::string dl = downloadDir();
  makeDirs(dl, 0700);

  Settings s = defaultSettings();
  Registry reg(Registry::defaultPath());
  settingsIo(reg, s, kSettingsLoad);
  s.connection.simuRole = 1;
  s.general.generalCheck |= generalcheck::kStartOnStartup;
  s.sounds.sflag |= soundflags::kSuccessNotice | soundflags::kAllDoneNotice;
  s.dataFile.remoteFile = defaultDatabasePath(dataDir());
  settingsIo(reg, s, kSettingsSave);

  CategoryTree tree;
  buildDefaultTree(tree, dl);
  CategoryRecord& queue = *tree.findCategory(kCategoryDownload);
  CategoryRecord& done = *tree.findCategory(kCategoryDownloaded);
  CategoryRecord& deleted = *tree.findCategory(kCategoryDeleted);
  CategoryRecord* isos = tree.appendChild(done, "Linux ISOs", dl + "/Linux ISOs", 0x20, 2);
  CategoryRecord* docs = tree.findCategory(4);

  const int64_t mib = 1024 * 1024;
  auto demoJob = [](std::string url, std::string name) {
    DemoJob j;
    j.url = std::move(url);
    j.name = std::move(name);
    return j;
  };

  DemoJob running =
      demoJob(base + "/throttled/ubuntu-24.04-desktop-amd64.iso", "ubuntu-24.04-desktop-amd64.iso");
  running.mode = kStartImmediately;
  running.rate = 5;
  running.comment = "Desktop image for the new laptop";
  running.referer = "https://releases.example.org/24.04/";
  struct stat st {};
  if (!served.empty() && ::stat((served + "/" + running.name).c_str(), &st) == 0) {
    // Six ranges for four Roles: two wait their turn.
    running.size = st.st_size;
    running.got = {0.92, 0.58, 0.74, 0.31, 0.12, 0.47};
    running.elapsed = 1870;
    makeDirs(dl + "/Linux ISOs", 0700);
    std::string partial = dl + "/Linux ISOs/" + running.name + kTempExtension;
    if (::truncate(partial.c_str(), 0) != 0) {
      int fd = ::open(partial.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
      if (fd >= 0) ::close(fd);
    }
    if (::truncate(partial.c_str(), running.size) != 0)
      std::fprintf(stderr, "cannot size %s\n", partial.c_str());
  }
  make(tree, queue, isos->id, running, dl + "/Linux ISOs");

  DemoJob waiting = demoJob(base + "/throttled/debian-12.5.0-amd64-netinst.iso",
                            "debian-12.5.0-amd64-netinst.iso");
  waiting.mode = kStartImmediately;
  make(tree, queue, isos->id, waiting, dl + "/Linux ISOs");

  DemoJob stopped =
      demoJob("https://download.example.org/libreoffice/LibreOffice_24.2.3_Linux_x86-64_deb.tar.gz",
              "LibreOffice_24.2.3_Linux_x86-64_deb.tar.gz");
  stopped.size = 231 * mib + 412 * 1024;
  stopped.got = {0.82, 0.35, 0.61, 0.12};
  stopped.elapsed = 512;
  make(tree, queue, kCategoryDownloaded, stopped, dl);

  DemoJob failed = demoJob("https://mirror.example.net/blender/blender-4.1.1-linux-x64.tar.xz",
                           "blender-4.1.1-linux-x64.tar.xz");
  failed.size = 318 * mib;
  failed.downloaded = 41 * mib;
  failed.flags |= jobflags::kFailed;
  failed.elapsed = 95;
  failed.comment = "Mirror keeps timing out";
  make(tree, queue, kCategoryDownloaded, failed, dl);

  DemoJob scheduled =
      demoJob("ftp://ftp.example.edu/pub/gimp/v2.10/gimp-2.10.38.tar.bz2", "gimp-2.10.38.tar.bz2");
  scheduled.mode = kStartSchedule;
  scheduled.comment = "Fetch at night";
  make(tree, queue, kCategoryDownloaded, scheduled, dl);

  DemoJob fresh =
      demoJob("https://cdn.example.com/kernel/v6.x/linux-6.8.9.tar.xz", "linux-6.8.9.tar.xz");
  fresh.flags = 0;
  make(tree, queue, kCategoryDownloaded, fresh, dl);

  auto finished = [&](CategoryRecord& cat, uint16_t id, std::string url, std::string name,
                      int64_t size, uint32_t elapsed, std::string dir, std::string comment) {
    DemoJob j = demoJob(std::move(url), std::move(name));
    j.size = size;
    j.downloaded = size;
    j.complete = true;
    j.elapsed = elapsed;
    j.comment = std::move(comment);
    j.referer = "https://www.example.org/downloads/";
    make(tree, cat, id, j, dir);
  };
  finished(done, kCategoryDownloaded, "https://ftp.example.org/firefox/firefox-125.0.3.tar.bz2",
           "firefox-125.0.3.tar.bz2", 83 * mib, 21, dl, "");
  finished(done, kCategoryDownloaded, "https://get.example.org/vlc/3.0.20/vlc-3.0.20.tar.xz",
           "vlc-3.0.20.tar.xz", 25 * mib, 9, dl, "Source for the packaging test");
  finished(done, kCategoryDownloaded, "https://files.example.io/fonts/JetBrainsMono-2.304.zip",
           "JetBrainsMono-2.304.zip", 5 * mib + 300 * 1024, 3, dl, "");
  finished(*isos, isos->id,
           "https://cdimage.example.org/fedora/Fedora-Workstation-Live-x86_64-40.iso",
           "Fedora-Workstation-Live-x86_64-40.iso", 2190 * mib, 1320, dl + "/Linux ISOs",
           "Checksum verified");
  finished(*docs, docs->id, "https://papers.example.edu/2024/consensus-survey.pdf",
           "consensus-survey.pdf", 3 * mib, 2, docs->saveDir, "Reading list");
  finished(deleted, kCategoryDownloaded, "https://downloads.example.com/old/driver-setup-1.2.zip",
           "driver-setup-1.2.zip", 12 * mib, 14, dl, "");

  const std::string path = defaultDatabasePath(dataDir());
  if (saveJobDatabase(path, tree) != 1) {
    std::fprintf(stderr, "fw_demo_home: cannot write %s\n", path.c_str());
    return 1;
  }
  std::printf("%s\n", path.c_str());
  return 0;
}

// Save and load of a job database with 100,000 jobs in 20 categories: wall time of each
// and the peak resident memory of each phase (VmHWM, reset between phases).
//
//   job_database_bench [jobs] [folder]
//   job_database_bench --write PATH [jobs]   only writes the database (for other benchmarks)

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "store/job_database.h"

namespace {

long peakKiB() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

long currentKiB() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

void resetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

double secondsSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void fill(fw::CategoryTree& tree, int jobs) {
  fw::buildDefaultTree(tree, "/home/user/Downloads");
  const char* names[] = {"Video",   "Linux ISOs", "Papers", "Podcasts", "Fonts",     "Drivers old",
                         "Backups", "Mirrors",    "Photos", "Firmware", "Games old", "Misc"};
  fw::CategoryRecord* parent = tree.findCategory(fw::kCategoryDownloaded);
  std::vector<fw::CategoryRecord*> cats;
  for (uint16_t id = 1; id < 8; ++id) cats.push_back(tree.findCategory(id));
  for (const char* n : names)
    cats.push_back(tree.appendChild(*parent, n, std::string("/home/user/Downloads/") + n, 0x20, 2));
  const char* hosts[] = {"downloads.example.com", "mirror.kernel.example.org", "cdn.example.net",
                         "ftp.example.edu", "files.example.io"};
  const char* exts[] = {".iso", ".tar.gz", ".zip", ".pdf", ".mp4", ".deb"};
  std::mt19937 rng(42);
  // Local tails: appendJob walks each list to its end, which would dominate the set-up.
  std::vector<fw::JobRecord*> tails(cats.size(), nullptr);
  for (int i = 0; i < jobs; ++i) {
    auto* j = new fw::JobRecord;
    std::string file = "release-" + std::to_string(2000 + i % 25) + "." + std::to_string(i) +
                       "-amd64" + exts[i % 6];
    j->url = std::string(i % 4 == 0 ? "ftp://" : "https://") + hosts[i % 5] + "/pub/projects/p" +
             std::to_string(i % 997) + "/releases/" + file;
    j->referer = std::string("https://") + hosts[i % 5] + "/projects/p" + std::to_string(i % 997);
    j->saveDir = "/home/user/Downloads/" + std::string(names[i % 12]);
    j->fileName = file;
    j->splitCount = 5;
    j->comment = i % 3 ? "" : "nightly build " + std::to_string(i);
    if (i % 10 == 0) j->altUrls = {j->url + "?mirror=1", j->url + "?mirror=2"};
    j->fileSize = 1'000'000 + static_cast<int64_t>(rng() % 4'000'000'000u);
    j->downloaded = j->fileSize / 2;
    if (i % 7 == 0)
      for (int k = 0; k < 5; ++k) j->parts.push_back({k * 1000, k * 1000 + 999, 0});
    j->flags = static_cast<uint16_t>(0x0800 | (i % 20 == 0 ? fw::jobflags::kLogin : 0));
    j->userName = "user";
    j->password = "secret";
    j->createTime = {2024, 5, 6, 7, 8, 9, 1};
    j->category = static_cast<uint16_t>(cats[i % cats.size()]->id);
    size_t c = i % cats.size();
    if (!tails[c]) {
      tree.appendJob(*cats[c], j);
    } else {
      j->prev = tails[c];
      j->listIndex = tails[c]->listIndex + 1;
      tails[c]->next = j;
    }
    tails[c] = j;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::string(argv[1]) == "--write") {
    fw::CategoryTree tree;
    fill(tree, argc > 3 ? std::atoi(argv[3]) : 100000);
    return fw::saveJobDatabase(argv[2], tree) == 1 ? 0 : 1;
  }
  int jobs = argc > 1 ? std::atoi(argv[1]) : 100000;
  std::string folder = argc > 2 ? argv[2] : "/tmp";
  std::string path = folder + "/fw_bench_" + std::to_string(::getpid()) + ".npd";

  fw::CategoryTree tree;
  fill(tree, jobs);
  std::printf("jobs %d, categories %zu, resident after building %ld KiB\n", jobs,
              tree.categoryCount(), currentKiB());

  resetPeak();
  long before = currentKiB();
  auto t0 = std::chrono::steady_clock::now();
  if (fw::saveJobDatabase(path, tree) != 1) {
    std::fprintf(stderr, "save failed\n");
    return 1;
  }
  double saveSec = secondsSince(t0);
  long savePeak = peakKiB();
  long saveBefore = before;
  struct stat st {};
  ::stat(path.c_str(), &st);

  tree.clear();
  resetPeak();
  before = currentKiB();
  t0 = std::chrono::steady_clock::now();
  int r = fw::loadJobDatabase(path, tree);
  double loadSec = secondsSince(t0);
  long loadPeak = peakKiB();
  ::unlink(path.c_str());
  if (r != fw::kDbLoaded) {
    std::fprintf(stderr, "load failed: %d\n", r);
    return 1;
  }
  std::printf("file %.1f MiB\n", st.st_size / 1048576.0);
  // Freed memory stays with the allocator, so the load phase starts from the resident
  // size the tree had and the figure to read is its peak.
  std::printf("save %.3f s (fsync included), peak RSS %ld KiB (tree alone %ld KiB)\n", saveSec,
              savePeak, saveBefore);
  std::printf("load %.3f s, peak RSS %ld KiB (resident before %ld KiB)\n", loadSec, loadPeak,
              before);
  return 0;
}

// Write-path benchmark: N threads each deliver their part of a target in 16 KB receives
// through the job's write cache, against a plain sequential pwrite of 1 MiB blocks of the
// same bytes to the same folder, in the same run. Both end with fsync, so both measure
// bytes on disk rather than in the page cache.
//
//   write_path_bench [--size-mib N] [--dir PATH] [--threads 1,8,16] [--buffer-kb N]
//                    [--no-reserve]
// By default the target's size is known, so it is reserved with posix_fallocate first, as
// a download of known size is; --no-reserve writes it as a download of unknown size.

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/storage/cache_writer.h"
#include "engine/storage/target_file.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

uint8_t patternAt(int64_t i) {
  return static_cast<uint8_t>(i * 131 + (i >> 9));
}

double plainWrite(const std::string& path, int64_t size) {
  std::vector<uint8_t> block(1 << 20);
  ::unlink(path.c_str());
  auto t0 = Clock::now();
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return -1;
  for (int64_t at = 0; at < size; at += static_cast<int64_t>(block.size())) {
    size_t n = static_cast<size_t>(std::min<int64_t>(block.size(), size - at));
    for (size_t i = 0; i < n; i += 4096) block[i] = patternAt(at + static_cast<int64_t>(i));
    if (::pwrite(fd, block.data(), n, at) != static_cast<ssize_t>(n)) return -1;
  }
  ::fsync(fd);
  ::close(fd);
  double s = secondsSince(t0);
  ::unlink(path.c_str());
  return s;
}

double cachedWrite(const std::string& dir, int64_t size, int threads, int bufferKB, bool reserve) {
  fw::JobRecord job;
  job.saveDir = dir;
  job.fileName = "cached.bin";
  job.fileSize = reserve ? size : -1;  // an unknown size is written without reservation
  fw::StorageOptions options;
  options.bufferSizeKB = bufferKB;
  options.collision = fw::CollisionRule::Overwrite;
  ::unlink((dir + "/cached.bin").c_str());
  fw::JobStorage storage(job, options, fw::Clock::system());

  auto t0 = Clock::now();
  {
    fw::LockGuard g(storage.cacheLock);
    if (fw::openTargetLazily(storage, nullptr) != 1) return -1;
  }
  const int64_t part = size / threads;
  std::vector<std::thread> pool;
  std::vector<int> failed(static_cast<size_t>(threads), 0);
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&, t] {
      int64_t begin = t * part, end = t == threads - 1 ? size : begin + part;
      auto buf = std::make_unique<fw::ReceiveBuffer>();
      for (int64_t at = begin; at < end;) {
        int64_t n = std::min<int64_t>(fw::kReceiveBufferSize, end - at);
        buf->fileOffset = at;
        buf->fill = static_cast<uint16_t>(n);
        buf->data[0] = patternAt(at);
        if (fw::storeReceived(storage, *buf, nullptr) != 1) {
          failed[static_cast<size_t>(t)] = 1;
          return;
        }
        at += n;
      }
    });
  }
  for (auto& th : pool) th.join();
  if (fw::flushCache(storage, nullptr) != 1) return -1;
  ::fsync(storage.fileFd);
  for (int f : failed) {
    if (f) return -1;
  }
  {
    fw::LockGuard rec(storage.recordLock);
    job.downloaded = size;
    job.fileSize = size;
  }
  fw::closeTarget(storage, nullptr);
  double s = secondsSince(t0);
  ::unlink((dir + "/cached.bin").c_str());
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  int64_t sizeMiB = 1024;
  std::string dir = ".";
  std::vector<int> threadCounts = {1, 8, 16};
  int bufferKB = 4096;
  bool reserve = true;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
    if (a == "--size-mib") {
      sizeMiB = std::atoll(next().c_str());
    } else if (a == "--dir") {
      dir = next();
    } else if (a == "--no-reserve") {
      reserve = false;
    } else if (a == "--buffer-kb") {
      bufferKB = std::atoi(next().c_str());
    } else if (a == "--threads") {
      threadCounts.clear();
      std::string list = next();
      for (size_t p = 0; p < list.size();) {
        threadCounts.push_back(std::atoi(list.c_str() + p));
        p = list.find(',', p);
        if (p == std::string::npos) break;
        ++p;
      }
    } else {
      std::fprintf(stderr,
                   "usage: %s [--size-mib N] [--dir PATH] [--threads 1,8,16] [--buffer-kb N] "
                   "[--no-reserve]\n",
                   argv[0]);
      return 2;
    }
  }
  if (sizeMiB <= 0 || dir.empty() || dir[0] != '/') {
    char cwd[4096];
    if (dir == "." && ::getcwd(cwd, sizeof cwd)) dir = cwd;
    if (sizeMiB <= 0 || dir[0] != '/') {
      std::fprintf(stderr, "need a positive size and an absolute --dir\n");
      return 2;
    }
  }
  const int64_t size = sizeMiB << 20;
  const double mb = static_cast<double>(size) / 1e6;
  std::printf("target %lld MiB in %s, cache cap %d KB, %s\n", static_cast<long long>(sizeMiB),
              dir.c_str(), bufferKB, reserve ? "size reserved first" : "no reservation");
  std::printf("%8s %14s %14s %8s\n", "threads", "cache MB/s", "pwrite MB/s", "ratio");
  for (int n : threadCounts) {
    if (n < 1) continue;
    double plain = plainWrite(dir + "/plain.bin", size);
    double cached = cachedWrite(dir, size, n, bufferKB, reserve);
    if (plain <= 0 || cached <= 0) {
      std::fprintf(stderr, "a write failed at %d threads\n", n);
      return 1;
    }
    std::printf("%8d %14.1f %14.1f %8.2f\n", n, mb / cached, mb / plain, plain / cached);
    std::fflush(stdout);
  }
  return 0;
}

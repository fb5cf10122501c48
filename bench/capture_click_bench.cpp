// From a click on a monitored link in headless Chromium to the desktop program's first
// request for the file at the server: the extension, the native host, the hand-off over
// the control socket, the program adding the job (no confirmation asked) and the queue,
// and the Role up to its request. Measured with the program already running and with the
// host starting it for each click. The program runs on Qt's offscreen platform.
//
//   capture_click_bench [--clicks N]      (default 20)
//
// Prints one Markdown row per case (each click on stderr); bench/README.md keeps the table.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "support/capture_rig.h"

namespace {

using fw::test::CaptureRig;

struct Result {
  std::vector<double> ms;
  int failed = 0;
};

bool waitForRequest(CaptureRig& rig, const std::string& uri, double& at) {
  return rig.waitFor(
      [&] {
        for (const fw::test::LoggedRequest& r : rig.requests()) {
          if (r.uri == uri && !r.fromBrowser()) {
            at = r.at;
            return true;
          }
        }
        return false;
      },
      20000);
}

// The file complete in the program's download folder: the job is over before the next click.
bool waitForSaved(CaptureRig& rig, const std::string& name, const std::string& bytes) {
  return rig.waitFor(
      [&] {
        std::string path = rig.programDownloadPath(name);
        return !path.empty() && fw::test::readFileText(path) == bytes;
      },
      30000);
}

Result measure(int clicks, bool startedByHost, std::string& error) {
  fw::test::CaptureRigOptions o;
  o.receiverPath = FW_FETCHWRIGHT;
  o.hostPath = FW_SNAREBOLT_HOST;
  o.extensionDir = FW_EXTENSION_DIR;
  o.benchLinks = clicks;
  o.receiverEnv = {{"QT_QPA_PLATFORM", "offscreen"}};
  CaptureRig rig(o);
  Result result;
  if (!rig.start(fw::test::findBinary("nginx"), fw::test::findBinary("chromedriver"), error))
    return result;
  if (!startedByHost && !rig.startReceiver()) {
    error = "the receiving program did not start";
    return result;
  }
  const std::string bytes = rig.fileBytes("bench.zip");
  for (int i = 1; i <= clicks; ++i) {
    if (startedByHost && !rig.stopReceiver()) {
      error = "the receiving program did not stop";
      return result;
    }
    char id[16];
    std::snprintf(id, sizeof id, "b%02d", i);
    std::string uri = std::string("/bench/") + id + ".zip";
    double clicked = rig.click(id);
    double requested = 0;
    if (clicked <= 0 || !waitForRequest(rig, uri, requested) ||
        !waitForSaved(rig, std::string(id) + ".zip", bytes)) {
      std::fprintf(stderr, "%s: failed\n", id);
      ++result.failed;
      continue;
    }
    result.ms.push_back((requested - clicked) * 1000);
    // Each click on stderr, so that a slow one can be told from a slow run.
    std::fprintf(stderr, "%s: %.0f ms\n", id, result.ms.back());
  }
  return result;
}

void printRow(const char* name, Result r) {
  if (r.ms.empty()) {
    std::printf("| %s | 0 | - | - | - | %d |\n", name, r.failed);
    return;
  }
  std::sort(r.ms.begin(), r.ms.end());
  size_t n = r.ms.size();
  double median = n % 2 ? r.ms[n / 2] : (r.ms[n / 2 - 1] + r.ms[n / 2]) / 2;
  double mean = std::accumulate(r.ms.begin(), r.ms.end(), 0.0) / static_cast<double>(n);
  std::printf("| %s | %zu | %.0f ms | %.0f ms | %.0f ms | %.0f ms | %d |\n", name, n, median,
              r.ms.back(), r.ms.front(), mean, r.failed);
}

}  // namespace

int main(int argc, char** argv) {
  int clicks = 20;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--clicks") == 0 && i + 1 < argc) clicks = std::atoi(argv[++i]);
  }
  if (clicks < 1 || clicks > 99) {
    std::fprintf(stderr, "capture_click_bench: --clicks takes 1 to 99\n");
    return 2;
  }
  std::string error;
  Result running = measure(clicks, false, error);
  if (!error.empty()) std::fprintf(stderr, "capture_click_bench: %s\n", error.c_str());
  error.clear();
  Result started = measure(clicks, true, error);
  if (!error.empty()) std::fprintf(stderr, "capture_click_bench: %s\n", error.c_str());
  std::printf("| Case | Clicks measured | Median | Worst | Best | Mean | Failed |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  printRow("program already running", running);
  printRow("program started by the host", started);
  return running.failed + started.failed == 0 && !running.ms.empty() && !started.ms.empty() ? 0 : 1;
}

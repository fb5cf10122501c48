#include "support/download_rig.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/role/role_worker.h"
#include "platform/message_loop.h"

namespace fw::test {

std::string faultServerContent(size_t size) {
  std::string out(size, '\0');
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<char>(((i * 131) + (i >> 8)) & 0xFF);
  return out;
}

namespace {

class RigWindow final : public Window {
 public:
  RigWindow(MessageLoop& loop, std::function<void()> onTick) : Window(loop), m_onTick(onTick) {}
  LResult handleMessage(MessageId msg, WParam, LParam) override {
    if (msg == kMsgTimer) m_onTick();
    return 0;
  }

 private:
  std::function<void()> m_onTick;
};

}  // namespace

DownloadRig::DownloadRig() {
  job.saveDir = dir.path();
  job.splitCount = 1;
  job.category = kCategoryDownload;
  job.flags = jobflags::kTempExt;
  settings.dataOutSec = 5;
  settings.connOutSec = 5;
  settings.relaytSec = 1;
  settings.retryNum = 5;
  settings.startPauseSlices = 0;
  settings.redirectPauseMs = 0;
  settings.userAgent = 1;
  settings.stillDownloadNonResumable = true;
  ending.minSegmentBytes = 10 * 1024;
  storage.fallbackDir = dir.path();
}

bool DownloadRig::run(int limitSeconds) {
  MessageLoop loop;
  int endingsBefore = host.endings;
  std::atomic<int> started{0};
  RoleEntry entry = [&started](RoleRecord& r) {
    started++;
    runRoleWorker(r);
  };
  m_ctl = std::make_unique<JobController>(loop, job, host, Clock::system(), entry);
  m_ctl->setCookieLookup(cookies);
  int seconds = 0;
  bool timedOut = false;
  RigWindow watch(loop, [&] {
    ++seconds;
    if (host.endings > endingsBefore) {
      loop.quit(0);
      return;
    }
    if (seconds > limitSeconds) {
      timedOut = true;
      loop.quit(1);
      return;
    }
    if (everySecond) everySecond(*m_ctl, seconds);
  });
  loop.setTimer(&watch, 1, 1000);
  if (m_ctl->prepareRun(settings, ending, storage) != 1) return false;
  m_ctl->command(CtlStart, 0);
  loop.run();
  if (m_ctl->running()) m_ctl->command(CtlStopAll, 0);
  m_ctl.reset();
  m_rolesStarted = started;
  return !timedOut;
}

std::string DownloadRig::finalBytes() const {
  return readFileText(finalPath());
}

bool DownloadRig::tempFileExists() const {
  return std::filesystem::exists(finalPath() + kTempExtension);
}

bool DownloadRig::logged(const std::string& text) const {
  for (const std::string& l : host.logLines) {
    if (l.find(text) != std::string::npos) return true;
  }
  return false;
}

std::string allLines(const DownloadRig& rig) {
  std::string out;
  for (const std::string& l : rig.logLines()) out += l + "\n";
  return out;
}

int countLogged(const DownloadRig& rig, const std::string& text) {
  int n = 0;
  for (const std::string& l : rig.logLines()) n += l.find(text) != std::string::npos ? 1 : 0;
  return n;
}

}  // namespace fw::test

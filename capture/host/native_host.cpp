#include "capture/host/native_host.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "capture/host/host_manifests.h"
#include "capture/host/native_message.h"
#include "capture/module/monitored_type.h"

namespace fw {

namespace {

const char* deliveryReason(Delivery d) {
  switch (d) {
    case Delivery::Answered:
      return "delivered";
    case Delivery::Busy:
      return "another delivery is under way";
    case Delivery::NoBlock:
      return "hand-off block unavailable";
    case Delivery::NotRunning:
      return "Fetchwright is not running";
    case Delivery::Failed:
      return "no answer from Fetchwright";
    case Delivery::Empty:
      return "no links";
  }
  return "";
}

int manifestCommand(bool install) {
  std::string self = executablePath();
  std::vector<ManifestResult> results =
      install ? registerNativeHost(self) : unregisterNativeHost(self);
  int code = 0;
  for (const ManifestResult& r : results) {
    const char* what = r.action == ManifestAction::Written   ? "written"
                       : r.action == ManifestAction::Removed ? "removed"
                       : r.action == ManifestAction::Kept    ? "kept"
                                                             : "failed";
    std::printf("%s: %s %s%s%s\n", r.place.browser.c_str(), what, r.place.path.c_str(),
                r.error.empty() ? "" : ": ", r.error.c_str());
    if (r.action == ManifestAction::Failed) code = 1;
  }
  return code;
}

}  // namespace

std::string answerHostRequest(const HostRequest& request, const CaptureSettings& settings,
                              CaptureModule& module, CookieJar* jar) {
  switch (request.type) {
    case HostRequest::Type::Download: {
      // A link that redirects to the file: its final URL stands in when the first does not
      // qualify.
      std::string url = request.url;
      if (!isMonitoredUrl(settings, url) && !request.finalUrl.empty() &&
          isMonitoredUrl(settings, request.finalUrl))
        url = request.finalUrl;
      ClickOutcome o = module.browserClick(url, request.referrer, [&] {
        if (jar && !request.cookies.empty()) jar->store(request.cookies);
      });
      return hostAnswerTaken(o == ClickOutcome::Taken, clickOutcomeName(o));
    }
    case HostRequest::Type::Link: {
      Delivery d = module.addUrl(request.url, request.text, request.referrer);
      return hostAnswerDone(d == Delivery::Answered, deliveryReason(d));
    }
    case HostRequest::Type::Page: {
      // One leading item (the page), then pairs of URL and link text.
      std::vector<std::string> items{request.url};
      for (const HostLink& l : request.links) {
        items.push_back(l.url);
        items.push_back(l.text);
      }
      Delivery d = module.addUrlList(items);
      return hostAnswerDone(d == Delivery::Answered, deliveryReason(d));
    }
  }
  return hostAnswerError("unknown message type");
}

int serveNativeHost(int inFd, int outFd, const CaptureSettings& settings, CaptureModule& module,
                    CookieJar* jar) {
  for (;;) {
    std::string message;
    switch (readNativeMessage(inFd, message)) {
      case NativeRead::End:
        return 0;
      case NativeRead::Broken:
        return 1;
      case NativeRead::TooLarge:
        writeNativeMessage(outFd, hostAnswerError("message larger than 1 MiB"));
        return 1;
      case NativeRead::Message:
        break;
    }
    HostRequest request;
    std::string error;
    std::string answer = parseHostRequest(message, request, error)
                             ? answerHostRequest(request, settings, module, jar)
                             : hostAnswerError(error);
    if (!writeNativeMessage(outFd, answer)) return 1;
  }
}

int runNativeHost(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--register") == 0) return manifestCommand(true);
    if (std::strcmp(argv[i], "--unregister") == 0) return manifestCommand(false);
  }
  ::signal(SIGPIPE, SIG_IGN);
  const CaptureSettings& settings = processCaptureSettings();
  CaptureModule module(settings, ProgramLink{});
  CookieJar jar(CookieJar::defaultPath(), Clock::system());
  return serveNativeHost(STDIN_FILENO, STDOUT_FILENO, settings, module, &jar);
}

}  // namespace fw

#pragma once
// snarebolt-host: the program the browsers start for the extension's messages (native
// messaging over standard input and output). Each message gets one answer:
//   download -> {"taken": bool, "reason": text}     taken: the browser drops its download
//   link     -> {"ok": bool, "reason": text}        hand-off kind 2 (url, text, page)
//   page     -> {"ok": bool, "reason": text}        the link list (request 7161)
//   refused  -> {"taken": false, "ok": false, "error": text}
// A refused message never stops the browser's own download. A frame over 1 MiB or a
// broken frame ends the session (after an error answer where one can still be given).

#include <string>

#include "capture/host/host_request.h"
#include "capture/module/capture_module.h"
#include "platform/cookie_jar.h"

namespace fw {

// The answer to one checked request. A download's cookies go into `jar` (when given) once
// its URL qualified, before the program is asked. Blocking; any thread.
std::string answerHostRequest(const HostRequest& request, const CaptureSettings& settings,
                              CaptureModule& module, CookieJar* jar);

// Reads messages from `inFd` and writes answers to `outFd` until the input ends. Returns
// 0 at a clean end, 1 when the input was broken or too large.
int serveNativeHost(int inFd, int outFd, const CaptureSettings& settings, CaptureModule& module,
                    CookieJar* jar);

// The program: "--register" / "--unregister" write / remove the browsers' manifests for
// this executable; anything else (browsers pass their own arguments) serves standard input.
int runNativeHost(int argc, char** argv);

}  // namespace fw

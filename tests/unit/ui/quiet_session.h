// A desktop session in a home folder of its own (FETCHWRIGHT_HOME) whose Roles never run:
// what the window tests start from.

#pragma once

#include <cstdlib>
#include <string>

#include "platform/paths.h"
#include "support/temp_dir.h"
#include "ui/main_window/desktop_session.h"

namespace fw::test {

struct QuietSession {
  explicit QuietSession(const char* name) : home(name), session(options(home)) {
    session.loadSettings();
  }

  TempDir home;
  DesktopSession session;

 private:
  static DesktopSession::Options options(const TempDir& dir) {
    setenv("FETCHWRIGHT_HOME", dir.path().c_str(), 1);
    makeDirs(dataDir(), 0700);
    DesktopSession::Options o;
    o.roleEntry = [](RoleRecord&) {};
    return o;
  }
};

}  // namespace fw::test

#pragma once
// The pop-up notices ("All Done", "<file> success", "<file> Download failure") as
// desktop notifications. The desktop program shows them through its tray icon; the
// command-line program prints them; the tests record them.
//
// Threads: main thread only.

#include <string>

namespace fw {

class DesktopNotifier {
 public:
  virtual ~DesktopNotifier() = default;
  // Shows `text` briefly, without waiting for the user.
  virtual void notify(const std::string& text) = 0;
};

class NullNotifier final : public DesktopNotifier {
 public:
  void notify(const std::string&) override {}
};

}  // namespace fw

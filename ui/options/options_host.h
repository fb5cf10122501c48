#pragma once
// What the "Options" sheet needs of the running program. The desktop program's main
// window answers it (main_window_options.cpp); tests answer it with a registry in a
// temporary folder.
//
// Main (GUI) thread only.

#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/registry.h"
#include "store/settings_records.h"

namespace fw {

class OptionsHost {
 public:
  virtual ~OptionsHost() = default;
  virtual Settings& settings() = 0;
  virtual Registry& registry() = 0;
  virtual MessageBoxes& boxes() = 0;
  // The dial-up connection list: "Fetchwright Never Dial" first, then the backend's
  // entries.
  virtual std::vector<std::string> dialEntries() = 0;
  // The Monitor page was left: join (true) or leave the clipboard watch.
  virtual void clipboardWatch(bool on) = 0;
  // The Graph/Log page was left: the colours are to be shown at once.
  virtual void colorsChanged() = 0;
  // The Proxy page was left with proxies deleted: the jobs follow their proxies to the
  // new indexes (`newIndexOf[old index]`, see ProxyListEdit::jobIndexes).
  virtual void proxiesMoved(const std::vector<int>& newIndexOf) = 0;
  // "Play" on the Sounds page; returns at once.
  virtual void playSound(const std::string& path) = 0;
  // The sheet closed having stored something: the running program takes the settings
  // and they are written.
  virtual void settingsApplied() = 0;
};

}  // namespace fw

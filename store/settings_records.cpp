#include "store/settings_records.h"

#ifndef FW_UPDATE_HOST
#define FW_UPDATE_HOST ""
#endif
#ifndef FW_UPDATE_PORT
#define FW_UPDATE_PORT 80
#endif
#ifndef FW_UPDATE_PATH
#define FW_UPDATE_PATH "/images/Update.ini"
#endif
#ifndef FW_UPDATE_PAGE
#define FW_UPDATE_PAGE ""
#endif
#ifndef FW_HOME_PAGE
#define FW_HOME_PAGE ""
#endif

namespace fw {

const char* builtInUpdateHost() {
  return FW_UPDATE_HOST;
}
uint32_t builtInUpdatePort() {
  return FW_UPDATE_PORT >= 1 && FW_UPDATE_PORT <= 65535 ? FW_UPDATE_PORT : 80;
}
const char* builtInUpdatePath() {
  return FW_UPDATE_PATH;
}
const char* builtInUpdatePage() {
  return FW_UPDATE_PAGE;
}
const char* builtInHomePage() {
  return FW_HOME_PAGE;
}

void MruList::add(const std::string& text) {
  if (static_cast<int>(entries.size()) >= kAppendBelow) {
    entries.erase(entries.begin());
    if (static_cast<int>(entries.size()) > kMaxEntries - 1) entries.resize(kMaxEntries - 1);
  }
  entries.push_back(text.substr(0, kEntryMax));
}

ColumnLayout ColumnLayout::builtIn(bool queue) {
  // Widths in pixels; 0 hides a slot. Slot 1 is never shown.
  static constexpr uint16_t kQueueWidths[kSlots] = {24, 0,  0,  240, 90,  90,  64, 96,
                                                    76, 96, 50, 50,  320, 160, 0,  0};
  static constexpr uint16_t kOtherWidths[kSlots] = {24, 0, 64, 240, 90,  0,   0,   96,
                                                    0,  0, 0,  0,   320, 160, 150, 150};
  // Finished jobs: when they finished and what was noted about them before the URL.
  static constexpr uint16_t kOtherOrder[kSlots] = {0,  1,  2, 3, 4, 15, 7,  13,
                                                   12, 14, 5, 6, 8, 9,  10, 11};
  const uint16_t* widths = queue ? kQueueWidths : kOtherWidths;
  ColumnLayout layout;
  for (int i = 0; i < kSlots; ++i) {
    const uint16_t slot = queue ? static_cast<uint16_t>(i) : kOtherOrder[i];
    layout.order[i] = slot;
    layout.slots[slot].position = static_cast<uint8_t>(i);
    layout.slots[slot].width = widths[slot] ? widths[slot] : 80;
    layout.slots[slot].visible = widths[slot] != 0 ? 1 : 0;
  }
  return layout;
}

void fillPathDefaults(Settings& s, const std::string& downloadFolder,
                      const std::string& dataFolder) {
  s.general.defaultPath = downloadFolder;
  std::string sounds = dataFolder;
  if (sounds.empty() || sounds.back() != '/') sounds += '/';
  sounds += SoundSettings::kSoundsFolder;
  sounds += '/';
  s.sounds.addNewJob = sounds + SoundSettings::kAddNewJobFile;
  s.sounds.downSuccess = sounds + SoundSettings::kDownSuccessFile;
  s.sounds.downFail = sounds + SoundSettings::kDownFailFile;
  s.sounds.allDown = sounds + SoundSettings::kAllDownFile;
}

}  // namespace fw

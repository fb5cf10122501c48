#include "ui/main_window/toolbar_buttons.h"

#include <algorithm>

#include "store/settings_records.h"
#include "ui/main_window/command_ids.h"

namespace fw {

namespace {

constexpr uint8_t kStateEnabled = 0x04;
constexpr uint8_t kStyleSeparator = 0x01;

void putU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t getU32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
         static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

}  // namespace

const std::vector<ToolButtonSpec>& toolButtons() {
  using namespace cmd;
  static const std::vector<ToolButtonSpec> buttons = {
      {kStart, "Start", Icon::Start},
      {kPause, "Stop", Icon::Stop},
      {kNewDownload, "New", Icon::New},
      {kDelete, "Delete", Icon::Delete},
      {kProperty, "Properties", Icon::Properties},
      {kMoveUp, "Up", Icon::Up},
      {kMoveDown, "Down", Icon::Down},
      {kOpenFile, "Open", Icon::OpenFile},
      {kOpenFolder, "Directory", Icon::Folder},
      {kFind, "Find", Icon::Find},
      {kAddBatch, "Add batch", Icon::AddBatch},
      {kOptions, "Options", Icon::Options},
      {kSpeed, "Speed", Icon::Speed},
      {kShutDownWhenDone, "ShutDown", Icon::ShutDown},
      {kAbout, "About", Icon::About},
      {kHomePage, "Home Page", Icon::HomePage},
      {kExit, "Exit", Icon::Exit},
  };
  return buttons;
}

const ToolButtonSpec* toolButton(int id) {
  const auto& b = toolButtons();
  auto it = std::find_if(b.begin(), b.end(), [id](const ToolButtonSpec& s) { return s.id == id; });
  return it == b.end() ? nullptr : &*it;
}

std::vector<int> defaultToolbar() {
  using namespace cmd;
  return {kStart,         kPause,    kNewDownload,   kDelete,   kProperty,         kToolSeparator,
          kMoveUp,        kMoveDown, kToolSeparator, kOpenFile, kOpenFolder,       kFind,
          kToolSeparator, kAddBatch, kOptions,       kSpeed,    kShutDownWhenDone, kToolSeparator,
          kAbout,         kHomePage, kExit};
}

std::vector<uint8_t> encodeToolbar(const std::vector<int>& ids) {
  std::vector<uint8_t> out;
  const auto& all = toolButtons();
  for (int id : ids) {
    if (out.size() + ToolBarSettings::kButtonRecordSize > ToolBarSettings::kButtonMaxBytes) break;
    const bool sep = id == kToolSeparator;
    uint32_t index = 0;
    if (!sep) {
      auto it = std::find_if(all.begin(), all.end(),
                             [id](const ToolButtonSpec& s) { return s.id == id; });
      if (it == all.end()) continue;
      index = static_cast<uint32_t>(it - all.begin());
    }
    putU32(out, sep ? 0 : index);
    putU32(out, sep ? 0 : static_cast<uint32_t>(id));
    out.push_back(kStateEnabled);
    out.push_back(sep ? kStyleSeparator : 0);
    out.push_back(0);
    out.push_back(0);
    putU32(out, 0);
    putU32(out, sep ? 0xFFFFFFFFu : index);
  }
  return out;
}

std::vector<int> decodeToolbar(const std::vector<uint8_t>& bytes) {
  const size_t rec = ToolBarSettings::kButtonRecordSize;
  if (bytes.empty() || bytes.size() % rec != 0) return defaultToolbar();
  const size_t usable = std::min(bytes.size(), ToolBarSettings::kButtonMaxBytes);
  std::vector<int> ids;
  for (size_t at = 0; at + rec <= usable; at += rec) {
    if (bytes[at + 9] & kStyleSeparator) {
      ids.push_back(kToolSeparator);
      continue;
    }
    int id = static_cast<int>(getU32(bytes, at + 4));
    if (toolButton(id)) ids.push_back(id);
  }
  return ids;
}

}  // namespace fw

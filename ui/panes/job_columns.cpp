#include "ui/panes/job_columns.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace fw {

namespace {

struct SlotText {
  const char* name;
  const char* caption;
};

constexpr std::array<SlotText, kColumnSlots> kSlots = {{
    {"Status", ""},
    {"Resume", ""},
    {"Rate", "Rate"},
    {"Name", "Name"},
    {"Size", "Size"},
    {"Complete", "Complete"},
    {"Percent", "Percent"},
    {"Elapsed Time", "Elapsed Time"},
    {"Left", "Left"},
    {"Speed", "Speed"},
    {"Num", "Num"},
    {"Retry", "Retry"},
    {"URL", ""},
    {"Comment", "Comment"},
    {"Create Time", "Create Time"},
    {"Complete Time", "Complete Time"},
}};

bool validSlot(int slot) {
  return slot >= 0 && slot < kColumnSlots;
}

// The layout's display order made whole: each slot once.
std::vector<int> wholeOrder(const ColumnLayout& layout) {
  std::vector<int> order;
  std::array<bool, kColumnSlots> seen{};
  for (uint16_t s : layout.order) {
    if (s < kColumnSlots && !seen[s]) {
      seen[s] = true;
      order.push_back(s);
    }
  }
  for (int s = 0; s < kColumnSlots; ++s)
    if (!seen[s]) order.push_back(s);
  return order;
}

}  // namespace

const char* slotCaption(int slot) {
  return validSlot(slot) ? kSlots[slot].caption : "";
}

const char* slotName(int slot) {
  return validSlot(slot) ? kSlots[slot].name : "";
}

std::vector<ShownColumn> shownColumns(ColumnLayout& layout) {
  std::vector<ShownColumn> out;
  for (int slot : wholeOrder(layout)) {
    ColumnSlot& s = layout.slots[slot];
    if (slot == kSlotResume || s.visible == 0) continue;
    int width = s.width;
    if (slot == kSlotStatus && width < kStatusMinWidth) width = kStatusFallbackWidth;
    s.position = static_cast<uint8_t>(out.size());
    out.push_back(ShownColumn{slot, width});
  }
  return out;
}

void captureColumns(ColumnLayout& layout, const std::vector<ShownColumn>& shown) {
  std::vector<int> before = wholeOrder(layout);
  std::array<bool, kColumnSlots> isShown{};
  size_t i = 0;
  for (const ShownColumn& c : shown) {
    if (!validSlot(c.slot) || c.slot == kSlotResume || isShown[c.slot]) continue;
    isShown[c.slot] = true;
    ColumnSlot& s = layout.slots[c.slot];
    s.visible = 1;
    s.width = static_cast<uint16_t>(std::clamp(c.width, 0, 0xFFFF));
    s.position = static_cast<uint8_t>(i);
    layout.order[i++] = static_cast<uint16_t>(c.slot);
  }
  for (int slot : before) {
    if (isShown[slot]) continue;
    layout.slots[slot].visible = 0;
    layout.order[i++] = static_cast<uint16_t>(slot);
  }
}

std::string speedText(int64_t bytesPerSecond) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.2f KB/s", static_cast<double>(bytesPerSecond) / 1024.0);
  return buf;
}

std::string leftTimeText(const ShownProgress& p) {
  if (!p.running || p.fileSize < 0 || p.speed <= 0) return {};
  int64_t left = std::max<int64_t>(0, p.fileSize - p.downloaded) / p.speed;
  return elapsedText(static_cast<uint32_t>(std::min<int64_t>(left, UINT32_MAX)));
}

const char* stateName(JobState s) {
  switch (s) {
    case JobState::Running:
      return "Downloading";
    case JobState::Complete:
      return "Complete";
    case JobState::Failed:
      return "Failed";
    case JobState::Queued:
      return "Queued";
    case JobState::Scheduled:
      return "Scheduled";
    case JobState::Stopped:
      return "Stopped";
  }
  return "";
}

std::string cellText(const JobRecord& job, const ShownProgress& p, int slot, const CellInputs& in) {
  switch (slot) {
    case kSlotRate:
      return rateText(job.rate);
    case kSlotName:
      return p.fileName;
    case kSlotSize:
      return p.fileSize >= 0 ? sizeText(p.fileSize, in.sizeInBytes) : std::string();
    case kSlotComplete:
      return sizeText(p.downloaded, in.sizeInBytes);
    case kSlotPercent: {
      char buf[16];
      std::snprintf(buf, sizeof buf, "%3d%%", percentComplete(p.downloaded, p.fileSize));
      return buf;
    }
    case kSlotElapsed:
      return elapsedText(job.elapsedSeconds);
    case kSlotLeft:
      return leftTimeText(p);
    case kSlotSpeed:
      return p.running ? speedText(p.speed) : std::string();
    case kSlotNum:
      return std::to_string(job.activeRoles) + "/" + std::to_string(job.splitCount);
    case kSlotRetry:
      return std::to_string(in.retries);
    case kSlotUrl:
      return job.url;
    case kSlotComment:
      return job.comment;
    case kSlotCreateTime:
      return p.createTime.isSet() ? p.createTime.detailText() : std::string();
    case kSlotCompleteTime:
      return job.completeTime.isSet() ? job.completeTime.detailText() : std::string();
    default:
      return {};
  }
}

}  // namespace fw

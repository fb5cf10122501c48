#pragma once
// The job list's sixteen column slots: their names and header captions, the texts of each
// cell in the list's number formats, and which slots a stored layout shows in which
// order and width.
//
// Any thread for the pure functions; cellText reads a job on the main thread.

#include <string>
#include <vector>

#include "records/job_record.h"
#include "store/settings_records.h"
#include "ui/panes/shown_progress.h"

namespace fw {

inline constexpr int kColumnSlots = 16;
inline constexpr int kSlotStatus = 0;
inline constexpr int kSlotResume = 1;  // never shown
inline constexpr int kSlotRate = 2;
inline constexpr int kSlotName = 3;
inline constexpr int kSlotSize = 4;
inline constexpr int kSlotComplete = 5;
inline constexpr int kSlotPercent = 6;
inline constexpr int kSlotElapsed = 7;
inline constexpr int kSlotLeft = 8;
inline constexpr int kSlotSpeed = 9;
inline constexpr int kSlotNum = 10;
inline constexpr int kSlotRetry = 11;
inline constexpr int kSlotUrl = 12;
inline constexpr int kSlotComment = 13;
inline constexpr int kSlotCreateTime = 14;
inline constexpr int kSlotCompleteTime = 15;

// The narrowest the state icon column may be; a narrower stored width becomes 20.
inline constexpr int kStatusMinWidth = 7;
inline constexpr int kStatusFallbackWidth = 20;

// Header caption ("" for slots 0, 1 and 12).
const char* slotCaption(int slot);
// Name in the "Colume" dialog ("Status", "Resume", "Rate", "Name", ..., "URL", ...).
const char* slotName(int slot);

struct ShownColumn {
  int slot = 0;
  int width = 0;
  bool operator==(const ShownColumn&) const = default;
};

// The columns `layout` shows: its display order, skipping slot 1 and hidden slots, each
// with its stored width (slot 0 at least 7 pixels, else 20). Writes each shown slot's
// column number back as its display position. An order that repeats a slot or names one
// beyond 15 is read as far as it is usable; slots it leaves out follow in slot order.
std::vector<ShownColumn> shownColumns(ColumnLayout& layout);

// The layout after the user moved, resized, showed or hid columns: `shown` in display
// order become visible with their widths and positions; the other slots are hidden, keep
// their widths and follow in their former order.
void captureColumns(ColumnLayout& layout, const std::vector<ShownColumn>& shown);

struct CellInputs {
  bool sizeInBytes = false;  // "Display file size in bytes"
  int retries = 0;           // the job's retry count of its last run
};

// The text of `slot` for `job` (slot 0 has none: its icon says it).
std::string cellText(const JobRecord& job, const ShownProgress& progress, int slot,
                     const CellInputs& in);

// "%.2f KB/s".
std::string speedText(int64_t bytesPerSecond);
// Seconds left at `speed`, "" when the size or the speed is not known.
std::string leftTimeText(const ShownProgress& p);
// The job's state in words, for tool tips and the state column's accessible text.
const char* stateName(JobState s);

}  // namespace fw

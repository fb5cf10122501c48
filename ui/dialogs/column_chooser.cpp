#include "ui/dialogs/column_chooser.h"

#include <algorithm>
#include <array>

#include "ui/panes/job_columns.h"

namespace fw {

ColumnChooser::ColumnChooser(const ColumnLayout& layout, bool queue)
    : m_base(layout), m_queue(queue) {
  load(layout);
}

void ColumnChooser::load(const ColumnLayout& layout) {
  m_entries.clear();
  std::array<bool, kColumnSlots> seen{};
  auto add = [&](int slot) {
    if (slot < 0 || slot >= kColumnSlots || seen[static_cast<size_t>(slot)]) return;
    seen[static_cast<size_t>(slot)] = true;
    const ColumnSlot& s = layout.slots[static_cast<size_t>(slot)];
    bool shown = slot != kSlotResume && (s.visible != 0 || slot == kSlotStatus);
    int width = s.width;
    if (slot == kSlotStatus && width < kStatusMinWidth) width = kStatusFallbackWidth;
    m_entries.push_back(Entry{slot, shown, width});
  };
  for (uint16_t s : layout.order) add(s);
  for (int s = 0; s < kColumnSlots; ++s) add(s);
}

bool ColumnChooser::canShow(int i) const {
  return valid(i) && !m_entries[static_cast<size_t>(i)].shown &&
         m_entries[static_cast<size_t>(i)].slot != kSlotResume;
}

bool ColumnChooser::canHide(int i) const {
  return valid(i) && m_entries[static_cast<size_t>(i)].shown &&
         m_entries[static_cast<size_t>(i)].slot != kSlotStatus;
}

void ColumnChooser::show(int i) {
  if (canShow(i)) m_entries[static_cast<size_t>(i)].shown = true;
}

void ColumnChooser::hide(int i) {
  if (canHide(i)) m_entries[static_cast<size_t>(i)].shown = false;
}

int ColumnChooser::moveUp(int i) {
  if (!valid(i) || i == 0) return i;
  std::swap(m_entries[static_cast<size_t>(i)], m_entries[static_cast<size_t>(i - 1)]);
  return i - 1;
}

int ColumnChooser::moveDown(int i) {
  if (!valid(i) || i + 1 >= static_cast<int>(m_entries.size())) return i;
  std::swap(m_entries[static_cast<size_t>(i)], m_entries[static_cast<size_t>(i + 1)]);
  return i + 1;
}

void ColumnChooser::setWidth(int i, int width) {
  if (valid(i)) m_entries[static_cast<size_t>(i)].width = std::clamp(width, 0, kColumnWidthMax);
}

void ColumnChooser::reset() {
  load(ColumnLayout::builtIn(m_queue));
}

ColumnLayout ColumnChooser::result() const {
  ColumnLayout out = m_base;
  std::vector<ShownColumn> shown;
  for (const Entry& e : m_entries) {
    out.slots[static_cast<size_t>(e.slot)].width = static_cast<uint16_t>(e.width);
    if (e.shown && e.slot != kSlotResume) shown.push_back(ShownColumn{e.slot, e.width});
  }
  // Hidden slots keep the chooser's order behind the shown ones.
  for (size_t i = 0; i < m_entries.size(); ++i)
    out.order[i] = static_cast<uint16_t>(m_entries[i].slot);
  captureColumns(out, shown);
  return out;
}

}  // namespace fw

#pragma once
// What the "Colume" dialog does to a column layout, without its widgets: the slots listed
// in display order, each shown or hidden, moved up or down, given a width, or the whole
// list reset to the built-in layout. The state column is always shown and slot 1
// ("Resume") never is.
//
// Any thread (pure data).

#include <vector>

#include "store/settings_records.h"

namespace fw {

inline constexpr int kColumnWidthMax = 2000;

class ColumnChooser {
 public:
  struct Entry {
    int slot = 0;
    bool shown = false;
    int width = 0;
  };

  // `queue`: the layout is the "Download" category's (for "Default").
  ColumnChooser(const ColumnLayout& layout, bool queue);

  const std::vector<Entry>& entries() const { return m_entries; }
  // Whether entry `i` may be shown or hidden.
  bool canShow(int i) const;
  bool canHide(int i) const;
  void show(int i);
  void hide(int i);
  // The entry's new index.
  int moveUp(int i);
  int moveDown(int i);
  // Widths are kept between 0 and kColumnWidthMax.
  void setWidth(int i, int width);
  // "Default": the built-in layout of the list.
  void reset();
  ColumnLayout result() const;

 private:
  bool valid(int i) const { return i >= 0 && i < static_cast<int>(m_entries.size()); }
  void load(const ColumnLayout& layout);

  std::vector<Entry> m_entries;
  ColumnLayout m_base;
  bool m_queue;
};

}  // namespace fw

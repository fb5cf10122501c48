#pragma once
// The toolbar's buttons and their stored layout, the "Button" value under the ToolBar key:
// 20 bytes per button (image index u32, command id u32, state u8, style u8, 2 reserved
// bytes, application data u32, label index u32; little-endian), at most 1,000 bytes read.
//
// Any thread (pure data and functions).

#include <cstdint>
#include <vector>

#include "ui/common/icons.h"

namespace fw {

// A separator in a button list.
inline constexpr int kToolSeparator = 0;

struct ToolButtonSpec {
  int id;             // command id
  const char* label;  // the text under the button
  Icon icon;
};

// The buttons a toolbar may hold, in the order of their image and label indexes.
const std::vector<ToolButtonSpec>& toolButtons();
const ToolButtonSpec* toolButton(int id);

// The default toolbar: "Start" ... "Exit" with separators between the groups.
std::vector<int> defaultToolbar();

std::vector<uint8_t> encodeToolbar(const std::vector<int>& ids);
// The stored buttons in order. The default toolbar when the value is missing, empty or
// not a multiple of 20 bytes; records beyond 1,000 bytes are not read; records naming a
// command that has no button are skipped.
std::vector<int> decodeToolbar(const std::vector<uint8_t>& bytes);

}  // namespace fw

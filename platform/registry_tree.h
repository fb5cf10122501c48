#pragma once
// The in-memory form of the registry store: a tree of keys, each with named values.
// Key and value names compare case-insensitively (ASCII letters) but keep the case they were
// first written with, as on Windows. Not thread-safe: Registry guards it.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fw {

enum class RegType : uint8_t { Dword, Sz, Binary };

struct RegValue {
  RegType type = RegType::Sz;
  uint32_t dword = 0;  // Dword only
  std::string data;    // Sz: UTF-8 text; Binary: the bytes

  static RegValue makeDword(uint32_t v) { return {RegType::Dword, v, {}}; }
  static RegValue makeSz(std::string text) { return {RegType::Sz, 0, std::move(text)}; }
  static RegValue makeBinary(std::string bytes) { return {RegType::Binary, 0, std::move(bytes)}; }
  bool operator==(const RegValue&) const = default;
};

// True when the names are equal ignoring ASCII case.
bool sameRegName(std::string_view a, std::string_view b);

struct RegNode {
  std::string name;
  std::vector<std::pair<std::string, RegValue>> values;  // in the order first written
  std::vector<std::unique_ptr<RegNode>> children;        // in the order first created

  RegNode* findChild(std::string_view childName) const;
  // The child of that name, created (with this spelling) when missing.
  RegNode& childOrCreate(std::string_view childName);
  // Removes the child and everything below it; false when there was none.
  bool removeChild(std::string_view childName);

  const RegValue* findValue(std::string_view valueName) const;
  // Sets or replaces; a replaced value keeps its position and the spelling of its name.
  // True when the stored value changed.
  bool setValue(std::string_view valueName, RegValue value);
  bool removeValue(std::string_view valueName);

  bool empty() const { return values.empty() && children.empty(); }
};

// Splits "Software\Fetchwright\Fetchwright\General\" into its key names. Leading, trailing and
// doubled backslashes are ignored; "" is the key itself. False when a name holds a control
// character (such a name could not be written to the text file).
bool splitKeyPath(std::string_view path, std::vector<std::string>& names);

}  // namespace fw

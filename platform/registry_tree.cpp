#include "platform/registry_tree.h"

#include <algorithm>

namespace fw {
namespace {

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

}  // namespace

bool sameRegName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

RegNode* RegNode::findChild(std::string_view childName) const {
  for (const auto& c : children) {
    if (sameRegName(c->name, childName)) return c.get();
  }
  return nullptr;
}

RegNode& RegNode::childOrCreate(std::string_view childName) {
  if (RegNode* c = findChild(childName)) return *c;
  children.push_back(std::make_unique<RegNode>());
  children.back()->name = std::string(childName);
  return *children.back();
}

bool RegNode::removeChild(std::string_view childName) {
  auto it = std::find_if(children.begin(), children.end(),
                         [&](const auto& c) { return sameRegName(c->name, childName); });
  if (it == children.end()) return false;
  children.erase(it);
  return true;
}

const RegValue* RegNode::findValue(std::string_view valueName) const {
  for (const auto& [n, v] : values) {
    if (sameRegName(n, valueName)) return &v;
  }
  return nullptr;
}

bool RegNode::setValue(std::string_view valueName, RegValue value) {
  for (auto& [n, v] : values) {
    if (sameRegName(n, valueName)) {
      if (v == value) return false;
      v = std::move(value);
      return true;
    }
  }
  values.emplace_back(std::string(valueName), std::move(value));
  return true;
}

bool RegNode::removeValue(std::string_view valueName) {
  auto it = std::find_if(values.begin(), values.end(),
                         [&](const auto& p) { return sameRegName(p.first, valueName); });
  if (it == values.end()) return false;
  values.erase(it);
  return true;
}

bool splitKeyPath(std::string_view path, std::vector<std::string>& names) {
  names.clear();
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view part = path.substr(start, end - start);
    if (!part.empty()) {
      for (char c : part) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
      }
      names.emplace_back(part);
    }
    start = end + 1;
  }
  return true;
}

}  // namespace fw

#include "platform/registry_format.h"

#include <cstdio>
#include <vector>

namespace fw {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (isBlank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (isBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && sameRegName(s.substr(0, prefix.size()), prefix);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted string starting at s[pos] == '"'. On success `pos` is just past the closing
// quote.
bool readQuoted(std::string_view s, size_t& pos, std::string& out) {
  out.clear();
  ++pos;
  while (pos < s.size()) {
    char c = s[pos++];
    if (c == '"') return true;
    if (c != '\\' || pos >= s.size()) {
      out += c;
      continue;
    }
    char e = s[pos];
    if (e == '\\' || e == '"') {
      out += e;
      ++pos;
    } else if (e == 'n') {
      out += '\n';
      ++pos;
    } else if (e == 'r') {
      out += '\r';
      ++pos;
    } else if (e == 'x' && pos + 2 < s.size() && hexDigit(s[pos + 1]) >= 0 &&
               hexDigit(s[pos + 2]) >= 0) {
      out += char(hexDigit(s[pos + 1]) * 16 + hexDigit(s[pos + 2]));
      pos += 3;
    } else {
      out += '\\';  // an unknown escape stands for itself
    }
  }
  return false;
}

bool parseHexBytes(std::string_view s, std::string& out) {
  out.clear();
  size_t i = 0;
  while (true) {
    while (i < s.size() && isBlank(s[i])) ++i;
    if (i >= s.size()) return true;
    int hi = hexDigit(s[i]);
    if (hi < 0) return false;
    int v = hi;
    ++i;
    if (i < s.size() && hexDigit(s[i]) >= 0) v = v * 16 + hexDigit(s[i++]);
    out += char(v);
    while (i < s.size() && isBlank(s[i])) ++i;
    if (i >= s.size()) return true;
    if (s[i] != ',') return false;
    ++i;
  }
}

struct Parser {
  std::vector<std::string_view> lines;
  size_t index = 0;  // line being read
  std::string error;

  bool fail(const std::string& why) {
    error = "line " + std::to_string(index + 1) + ": " + why;
    return false;
  }

  bool section(std::string_view line, RegNode& top, RegNode*& current) {
    if (line.back() != ']') return fail("section without closing ]");
    std::string_view inner = line.substr(1, line.size() - 2);
    bool remove = !inner.empty() && inner.front() == '-';
    if (remove) inner.remove_prefix(1);
    std::vector<std::string> names;
    if (!splitKeyPath(inner, names) || names.empty()) return fail("bad key name");
    if (!startsWithNoCase(names[0], "HKEY_")) return fail("key outside an HKEY_ root");
    if (remove) {
      RegNode* parent = &top;
      for (size_t i = 0; i + 1 < names.size() && parent; ++i) parent = parent->findChild(names[i]);
      if (parent) parent->removeChild(names.back());
      current = nullptr;  // values after a deleted key have nowhere to go
      return true;
    }
    RegNode* node = &top;
    for (const auto& n : names) node = &node->childOrCreate(n);
    current = node;
    return true;
  }

  bool value(std::string_view line, RegNode* current) {
    if (!current) return fail("value outside a key");
    std::string name;
    size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else if (!readQuoted(line, pos, name)) {
      return fail("unterminated value name");
    }
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != '=') return fail("missing = after the value name");
    ++pos;
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    std::string_view data = line.substr(pos);

    if (data == "-") {
      current->removeValue(name);
      return true;
    }
    if (!data.empty() && data[0] == '"') {
      std::string text;
      size_t p = 0;
      if (!readQuoted(data, p, text)) return fail("unterminated string");
      if (!trim(data.substr(p)).empty()) return fail("text after the closing quote");
      current->setValue(name, RegValue::makeSz(std::move(text)));
      return true;
    }
    if (startsWithNoCase(data, "dword:")) {
      std::string_view digits = trim(data.substr(6));
      if (digits.empty() || digits.size() > 8) return fail("bad dword");
      uint32_t v = 0;
      for (char c : digits) {
        int d = hexDigit(c);
        if (d < 0) return fail("bad dword");
        v = v * 16 + uint32_t(d);
      }
      current->setValue(name, RegValue::makeDword(v));
      return true;
    }
    if (startsWithNoCase(data, "hex:")) {
      std::string joined(trim(data.substr(4)));
      while (!joined.empty() && joined.back() == '\\') {
        joined.pop_back();
        if (index + 1 >= lines.size()) return fail("hex continuation at the end of the file");
        joined += trim(lines[++index]);
      }
      std::string bytes;
      if (!parseHexBytes(joined, bytes)) return fail("bad hex bytes");
      current->setValue(name, RegValue::makeBinary(std::move(bytes)));
      return true;
    }
    if (startsWithNoCase(data, "hex(")) return fail("value type not supported");
    return fail("unrecognised value data");
  }

  bool run(std::string_view text, RegNode& top) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    size_t start = 0;
    while (start <= text.size()) {
      size_t nl = text.find('\n', start);
      if (nl == std::string_view::npos) nl = text.size();
      lines.push_back(text.substr(start, nl - start));
      start = nl + 1;
    }
    bool headerSeen = false;
    RegNode* current = nullptr;
    for (index = 0; index < lines.size(); ++index) {
      std::string_view line = trim(lines[index]);
      if (line.empty()) continue;
      if (!headerSeen) {
        if (line != kRegFileHeader) return fail("missing \"" + std::string(kRegFileHeader) + "\"");
        headerSeen = true;
        continue;
      }
      if (line[0] == ';') continue;
      if (line[0] == '[') {
        if (!section(line, top, current)) return false;
      } else if (line[0] == '"' || line[0] == '@') {
        if (!value(line, current)) return false;
      } else {
        return fail("unexpected text");
      }
    }
    return true;
  }
};

void formatNode(const RegNode& node, const std::string& path, bool isRoot, std::string& out) {
  if (!isRoot || !node.values.empty()) {
    out += '[';
    out += path;
    out += "]\n";
    for (const auto& [name, v] : node.values) {
      std::string line = name.empty() ? std::string("@") : quoteRegString(name);
      line += '=';
      switch (v.type) {
        case RegType::Dword: {
          char buf[16];
          std::snprintf(buf, sizeof buf, "dword:%08x", v.dword);
          line += buf;
          break;
        }
        case RegType::Sz:
          line += quoteRegString(v.data);
          break;
        case RegType::Binary: {
          line += "hex:";
          static const char kHex[] = "0123456789abcdef";
          for (size_t i = 0; i < v.data.size(); ++i) {
            unsigned char b = static_cast<unsigned char>(v.data[i]);
            line += kHex[b >> 4];
            line += kHex[b & 15];
            if (i + 1 < v.data.size()) {
              line += ',';
              if (line.size() > 76) {  // wrap long binaries as an export does
                out += line;
                out += "\\\n";
                line = "  ";
              }
            }
          }
          break;
        }
      }
      out += line;
      out += '\n';
    }
    out += '\n';
  }
  for (const auto& child : node.children) formatNode(*child, path + "\\" + child->name, false, out);
}

}  // namespace

std::string quoteRegString(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if ((u < 0x20 && c != '\t') || u == 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", u);
      out += buf;
    } else {
      out += c;
    }
  }
  out += '"';
  return out;
}

bool parseRegText(std::string_view text, RegNode& top, std::string& error) {
  top.values.clear();
  top.children.clear();
  Parser p;
  if (p.run(text, top)) return true;
  error = p.error;
  top.values.clear();
  top.children.clear();
  return false;
}

std::string formatRegText(const RegNode& top) {
  std::string out(kRegFileHeader);
  out += "\n\n";
  for (const auto& root : top.children) formatNode(*root, root->name, true, out);
  return out;
}

}  // namespace fw

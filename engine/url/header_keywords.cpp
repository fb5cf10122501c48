#include "engine/url/header_keywords.h"

namespace fw {

int headerKeywordCode(std::string_view name) {
  size_t at = kHeaderKeywords.find(name);
  if (at == std::string_view::npos) return kNoKeyword;
  size_t codeAt = at + name.size() + 1;
  if (codeAt >= kHeaderKeywords.size()) return kNoKeyword;
  return kHeaderKeywords[codeAt] - '0';
}

}  // namespace fw

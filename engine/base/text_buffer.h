#pragma once
// The text area exchanged with a job controller by control requests that carry text
// (CtlOfferFileName, CtlGetUserAgentText, CtlGetFileName, CtlNextAltUrl ...): the
// request's argument is a pointer to one of these. The sender owns it; the controller
// reads or fills it only while it handles the request.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/base/control_codes.h"

namespace fw {

struct TextBuffer {
  char text[kTextBufferSize] = {};  // zero-terminated
  uint16_t result = 0;

  // Copies at most kTextCopyLimit bytes of `s` and terminates the text.
  void set(std::string_view s) {
    size_t n = s.size() < static_cast<size_t>(kTextCopyLimit) ? s.size() : kTextCopyLimit;
    std::memcpy(text, s.data(), n);
    text[n] = '\0';
  }
  std::string str() const { return std::string(text, strnlen(text, sizeof text)); }
};

}  // namespace fw

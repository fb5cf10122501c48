#pragma once
// RFC 4648 Base64 (standard alphabet, "=" padding). Pure; any thread.

#include <string>
#include <string_view>

namespace fw {

// Encodes the bytes of `text`; an empty text gives an empty result.
std::string base64Encode(std::string_view text);

}  // namespace fw

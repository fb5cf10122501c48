// The native host's reader: frames from the browser, then each message checked. Whatever
// comes in, every accepted request holds only what the program may be handed: URLs within
// bounds and without control characters, cookies that can be written and sent.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "capture/host/host_request.h"
#include "capture/host/native_message.h"

namespace {

void check(const fw::HostRequest& r) {
  if (!fw::hostUrlAcceptable(r.url)) std::abort();
  for (const std::string* u : {&r.finalUrl, &r.referrer})
    if (!u->empty() && !fw::hostUrlAcceptable(*u)) std::abort();
  if (r.text.size() > fw::kHostTextMax) std::abort();
  if (r.cookies.size() > fw::kHostCookiesMax || r.links.size() > fw::kHostLinksMax) std::abort();
  for (const fw::Cookie& c : r.cookies)
    if (!fw::cookieIsValid(c)) std::abort();
  for (const fw::HostLink& l : r.links)
    if (!fw::hostUrlAcceptable(l.url) || l.text.size() > fw::kHostTextMax) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t pos = 0;
  fw::ByteReader read = [&](void* buf, size_t want) -> ssize_t {
    size_t n = std::min(want, size - pos);
    std::memcpy(buf, data + pos, n);
    pos += n;
    return static_cast<ssize_t>(n);
  };
  // The input as one message too, so that the JSON checks see every input whole.
  fw::HostRequest whole;
  std::string error;
  if (fw::parseHostRequest(std::string(reinterpret_cast<const char*>(data), size), whole, error))
    check(whole);
  for (int i = 0; i < 64; ++i) {
    std::string message;
    fw::NativeRead r = fw::readNativeMessage(read, message, 4096);
    if (r != fw::NativeRead::Message) break;
    if (message.size() > 4096) std::abort();
    fw::HostRequest request;
    if (fw::parseHostRequest(message, request, error)) check(request);
  }
  return 0;
}

// The response head reader and header-line parser on arbitrary bytes, cut into reads
// of sizes taken from the input, through a Role whose controller answers everything.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include "engine/base/text_buffer.h"
#include "engine/http/response_head_reader.h"
#include "engine/url/safe_file_name.h"
#include "platform/fake_clock.h"

namespace {

class Source : public fw::ByteSource {
 public:
  std::deque<std::string> reads;
  int waitReadable(int) override { return 1; }
  int read(uint8_t* dst, int max, int*) override {
    if (reads.empty()) return 0;
    std::string& f = reads.front();
    size_t n = std::min(f.size(), static_cast<size_t>(max));
    std::memcpy(dst, f.data(), n);
    f.erase(0, n);
    if (f.empty()) reads.pop_front();
    return static_cast<int>(n);
  }
};

class Channel : public fw::RoleChannel {
 public:
  intptr_t control(fw::RoleRecord&, uint32_t code, intptr_t arg) override {
    if (code == fw::CtlOfferFileName) {
      std::string name = reinterpret_cast<fw::TextBuffer*>(arg)->str();
      if (name.empty() || fw::safeFileName(name, "") != name) std::abort();
    }
    return 1;
  }
  void log(fw::RoleRecord&, int, const std::string& text) override {
    if (text.size() > fw::kHeadLineLimit) std::abort();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t step = data[0] % 64 + 1;
  std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);

  fw::FakeClock clock;
  Channel channel;
  fw::JobRecord job;
  fw::RoleRecord role;
  role.channel = &channel;
  role.clock = &clock;
  fw::RoleJobAccess access{&role, &job, nullptr, nullptr};
  fw::UrlParts parts;
  parts.protocol = fw::kProtoHttp;
  parts.host = "h";
  parts.port = 80;
  parts.path = "/a/b";
  fw::ReceiveBuffer body;
  Source source;
  for (size_t i = 0; i < rest.size(); i += step) source.reads.push_back(rest.substr(i, step));

  fw::ResponseHeadReader reader;
  int r = reader.read(source, access, 1000, true, body, parts);
  if (r != 1 && r != fw::kResultError) std::abort();
  if (body.fill > step) std::abort();  // only the rest of one read follows the head
  return 0;
}

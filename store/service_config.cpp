#include "store/service_config.h"

namespace fw {

DialConfig dialConfigFrom(const DialUpSettings& s) {
  DialConfig c;
  c.entry = s.dialTitle;
  c.inUse = s.wDialup != 0 && !s.dialTitle.empty() && s.dialTitle != kNeverDialEntry;
  c.user = s.user;
  c.password = s.pass;
  c.times = s.times;
  c.waitSeconds = s.wTime;
  c.establish = s.establish;
  c.hangUpWhenDone = (s.flags & dialupflags::kHangUpWhenDone) != 0;
  c.redial = (s.flags & dialupflags::kRedial) != 0;
  return c;
}

UpdateEndpoint updateEndpointFrom(const GeneralSettings& g) {
  UpdateEndpoint e;
  e.host = g.updateHost;
  e.port = static_cast<uint16_t>(g.updatePort >= 1 && g.updatePort <= 65535 ? g.updatePort : 80);
  e.path = g.updatePath.empty() || g.updatePath.front() != '/' ? builtInUpdatePath() : g.updatePath;
  e.downloadPage = g.updatePage;
  e.homePage = g.homePage;
  return e;
}

}  // namespace fw

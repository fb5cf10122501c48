#include "platform/control_dispatch.h"

namespace fw {

bool ControlDispatch::add(uint32_t kind, Handler handler) {
  if (!handler) return false;
  return m_handlers.emplace(kind, std::move(handler)).second;
}

void ControlDispatch::remove(uint32_t kind) {
  m_handlers.erase(kind);
}

ControlReply ControlDispatch::handle(const ControlRequest& request) const {
  auto it = m_handlers.find(request.kind);
  if (it == m_handlers.end()) return ControlReply{kControlUnknownKind, {}};
  // A copy: a handler may run a nested event loop in which handlers are added or removed.
  Handler handler = it->second;
  return handler(request);
}

ControlServer::Handler ControlDispatch::asServerHandler() {
  return [this](const ControlRequest& request) { return handle(request); };
}

}  // namespace fw

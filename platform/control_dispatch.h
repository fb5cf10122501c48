#pragma once
// Which handler answers which kind of control-socket request (platform/control_kinds.h).
// The running program registers one handler per kind here, in one place, and hands
// asServerHandler() to its ControlServer; a kind nobody registered is answered with
// kControlUnknownKind and has no other effect.
//
// Main thread only (the server calls the handlers on the main thread).

#include <cstdint>
#include <functional>
#include <map>

#include "platform/control_socket.h"

namespace fw {

// The answer to a request of a kind no handler was registered for.
inline constexpr int32_t kControlUnknownKind = -1001;

class ControlDispatch {
 public:
  using Handler = std::function<ControlReply(const ControlRequest&)>;

  // Registers `handler` for `kind`. False (and nothing changes) when the kind already has
  // a handler or `handler` is empty.
  bool add(uint32_t kind, Handler handler);
  // Removes the handler of `kind`, if any.
  void remove(uint32_t kind);
  bool has(uint32_t kind) const { return m_handlers.count(kind) != 0; }

  // The registered handler's reply, or {kControlUnknownKind, ""}.
  ControlReply handle(const ControlRequest& request) const;
  // For ControlServer's constructor; the dispatch must outlive the server.
  ControlServer::Handler asServerHandler();

 private:
  std::map<uint32_t, Handler> m_handlers;
};

}  // namespace fw

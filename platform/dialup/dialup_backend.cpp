#include "platform/dialup/dialup_backend.h"

#include <cstdlib>

#include "platform/dialup/network_manager_dialup.h"
#include "platform/dialup/simulated_dialup.h"

namespace fw {

std::unique_ptr<Dialup> makeDialup(MessageLoop& loop, DbusConnection* bus, std::string& error) {
  const char* script = std::getenv(kDialScriptEnv);
  if (script != nullptr && *script != '\0') return SimulatedDialup::fromEnvironment(loop, error);
  return std::make_unique<NetworkManagerDialup>(loop, bus);
}

}  // namespace fw

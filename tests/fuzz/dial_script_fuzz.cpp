// The dial-up simulator's script parser on arbitrary text: a script it accepts holds
// only steps the simulator can play.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/dialup/dial_script.h"
#include "platform/dialup/dialup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  fw::DialScript script;
  std::string error;
  if (!fw::parseDialScript(text, script, error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  for (const auto& attempt : script.attempts) {
    if (attempt.refuse < 0) std::abort();
    for (const auto& step : attempt.steps) {
      if (step.afterMs < 0 || step.afterMs > fw::kDialScriptMaxDelayMs) std::abort();
      if (step.kind == fw::DialScriptStep::Kind::State && fw::dialStateText(step.value) == nullptr)
        std::abort();
      if (step.kind == fw::DialScriptStep::Kind::Fail && step.value <= 0) std::abort();
    }
  }
  return 0;
}

#pragma once
// Log lines of the FTP side go through the Role's channel; a Role without one (a bare
// test record) logs nothing.

#include <string>

#include "engine/base/control_codes.h"
#include "engine/base/role_record.h"
#include "platform/clock.h"

namespace fw {

inline void ftpLog(RoleRecord& role, int kind, const std::string& text) {
  if (role.channel) role.channel->log(role, kind, text);
}

inline Clock& roleClock(RoleRecord& role) {
  return role.clock ? *role.clock : Clock::system();
}

}  // namespace fw

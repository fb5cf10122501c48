#pragma once
// The listing exchange: "TYPE A", a data connection, "LIST <path>" and the listing text.
// Role thread only.

#include <string>

#include "engine/ftp/ftp_session.h"

namespace fw {

struct RoleRecord;

// Lists `path` over a passive (`passive` set) or active data connection.
// 1 with `text` filled; 2 the passive connection could not be made (the caller goes
// active); the reply code when "LIST" did not open a transfer (421 included); 0 when a
// command could not be sent; -1 when active mode failed; -9 / -1 / stop result of the
// waits.
int listDirectory(FtpSession& session, RoleRecord& role, const FtpSettings& settings,
                  const std::string& path, bool passive, std::string& text);

}  // namespace fw

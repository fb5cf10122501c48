#include "engine/ftp/ftp_listing_exchange.h"

#include "engine/ftp/ftp_data.h"
#include "engine/ftp/ftp_queries.h"

namespace fw {

int listDirectory(FtpSession& session, RoleRecord& role, const FtpSettings& settings,
                  const std::string& path, bool passive, std::string& text) {
  int code = ftpCommandReply(session, role, settings, "TYPE A");
  if (code < 1 || code == kFtpReplyClosing) return code;
  if (passive) {
    int r = enterPassive(session, role, settings);
    if (r != 1) return r < 1 ? r : (r == kFtpReplyClosing ? r : 2);
  } else {
    int r = enterActive(session, role, settings);
    if (r != 1) return r;
  }
  code = ftpCommandReply(session, role, settings, path.empty() ? "LIST" : "LIST " + path);
  if (code < 1) return code;
  if (code != 125 && code != 150) {
    session.closeData();
    return code;
  }
  text.clear();
  int r = readListingData(session, role, settings, text);
  session.closeData();
  if (r != 1) return r;
  int err = 0;
  code = readReply(err, *session.control, role, ftpReplyTimeoutMs(settings), session.pending, true);
  if (code < 1 || code == kFtpReplyClosing) return code;
  return 1;
}

}  // namespace fw

#include "engine/ftp/ftp_data.h"

#include <algorithm>

#include "engine/ftp/ftp_log.h"
#include "engine/ftp/ftp_pasv.h"
#include "engine/ftp/ftp_queries.h"
#include "engine/storage/receive_loop.h"
#include "engine/url/host_text.h"
#include "platform/socket_buffer.h"

namespace fw {

namespace {

bool tunnelled(const RoleRecord& role) {
  const uint8_t type = role.proxy.type;
  return type == kProxyHttpConnect || type == kProxySocks4 || type == kProxySocks5;
}

// Whether the server sees this Role over IPv6, where "PASV" and "PORT" cannot name an
// address: the control connection's peer, or through a tunnel the URL's host.
bool overIPv6(const FtpSession& session, const RoleRecord& role) {
  return isIPv6Literal(tunnelled(role) ? role.target.host : session.control->peerAddress());
}

}  // namespace

int enterPassive(FtpSession& session, RoleRecord& role, const FtpSettings& settings) {
  session.closeData();
  const bool extended = overIPv6(session, role);
  std::string line;
  int code = ftpCommandReply(session, role, settings, extended ? "EPSV" : "PASV", true, &line);
  if (code < 1) return code;
  std::string announced;
  int port = 0;
  if (extended) {
    if (code != 229) return code;
    if (!parseExtendedPassiveReply(line, port)) return 2;
  } else {
    if (code != 227) return code;
    if (!parsePassiveReply(line, announced, port)) return 2;
  }
  const ProxyRecord& proxy = role.proxy;
  std::string host =
      tunnelled(role) ? role.target.host : passiveTarget(announced, session.control->peerAddress());
  if (!session.dialer || host.empty()) return 2;
  int err = 0;
  int r = session.dialer->connect(role, proxy, host, port, settings.connOutSec * 1000, session.data,
                                  err);
  if (err) role.lastSocketError = err;
  if (r == 1) return 1;
  session.data.reset();
  return r < 0 ? r : 2;
}

int enterActive(FtpSession& session, RoleRecord& role, const FtpSettings& settings) {
  session.closeData();
  if (!session.dialer) return -1;
  std::string local = session.control->localAddress();
  int err = 0;
  if (session.dialer->listen(local, session.listener, err) != 1 || !session.listener) {
    role.lastSocketError = err;
    return -1;
  }
  const bool extended = overIPv6(session, role);
  std::string arg = extended ? extendedPortArgument(local, session.listener->port())
                             : portArgument(local, session.listener->port());
  if (arg.empty()) {
    session.listener.reset();
    return -1;
  }
  int code = ftpCommandReply(session, role, settings, (extended ? "EPRT " : "PORT ") + arg);
  if (code == 200) return 1;
  session.listener.reset();
  if (code < 1 || code == kFtpReplyClosing) return code;
  return -1;
}

int acceptData(FtpSession& session, RoleRecord& role, const FtpSettings& settings) {
  const int64_t total = static_cast<int64_t>(settings.connOutSec) * 1000;
  if (total < 56 || !session.listener) return kResultTimeout;
  Clock& clock = roleClock(role);
  const int64_t start = clock.monotonicMs();
  int64_t idle = 0;
  for (;;) {
    if (role.stopEvent.tryWait()) return role.outcome.load();
    int64_t elapsed = clock.monotonicMs() - start;
    if (elapsed >= total || idle > total / 50 + 2) return kResultTimeout;
    int err = 0;
    int r = session.listener->accept(static_cast<int>(std::min<int64_t>(50, total - elapsed)),
                                     session.data, err);
    if (r == 1) {
      session.listener.reset();
      return 1;
    }
    if (r < 0) {
      role.lastSocketError = err;
      return -1;
    }
    ++idle;
  }
}

namespace {

constexpr int kControlWatchReads = 16;

// Looks at the control connection without blocking the transfer. 0 go on, or the code
// that ends the transfer.
int watchControl(FtpSession& session, RoleRecord& role, bool& done226) {
  if (done226 || !session.control) return 0;
  int err = 0;
  int ready = session.control->waitReadable(0, err);
  if (ready == 0) return 0;
  // A partial line only waits for its rest on the next pass (-9 here lets it go on).
  int code = readReply(err, *session.control, role, 1, session.pending, true);
  if (code == 226 || code == kResultTimeout) {
    if (code == 226) done226 = true;
    return 0;
  }
  // The server closed the control connection: the data connection alone decides.
  if (code == 0) {
    done226 = true;
    return 0;
  }
  return code;
}

// The server ended the transfer on the control connection (426 and the like) while bytes
// it sent before may still wait in the data connection: they are good bytes of the file,
// so the ones already there are taken before the loop ends with `code`. Bounded: only
// what is ready now, and at most 256 reads.
int drainThenEnd(FtpSession& session, FtpReceiveSink& sink, int code) {
  for (int reads = 0; reads < 256; ++reads) {
    int err = 0;
    if (session.data->waitReadable(0, err) != 1) break;
    char* dst = nullptr;
    size_t room = sink.prepare(dst);
    if (room == 0 || !dst) break;
    long n = session.data->receive(dst, room, err);
    if (n <= 0) break;
    int r = sink.accepted(static_cast<size_t>(n));
    if (r != 0) return r;
  }
  return code;
}

}  // namespace

int ftpDataLoop(FtpSession& session, RoleRecord& role, const FtpSettings& settings,
                FtpReceiveSink& sink) {
  if (!session.data) {
    int r = acceptData(session, role, settings);
    if (r != 1) return r;
  }
  if (session.data->descriptor() >= 0)
    ensureReceiveBufferSize(session.data->descriptor(), kReceiveSocketBuffer);
  Clock& clock = roleClock(role);
  const int64_t limit = static_cast<int64_t>(settings.dataOutSec) * 1000;
  int64_t lastData = clock.monotonicMs();
  int64_t idle = 0;
  bool done226 = false;
  bool more = false;  // the last read may have left bytes to read without a wait
  int run = 0;        // reads since the control connection was last looked at
  for (;;) {
    if (role.stopEvent.tryWait()) return role.outcome.load();
    const bool waits = !more || sink.budgeted();
    if (waits || ++run >= kControlWatchReads) {
      run = 0;
      int ended = watchControl(session, role, done226);
      if (ended != 0) return drainThenEnd(session, sink, ended);
    }
    int err = 0;
    if (waits) {
      int64_t quiet = clock.monotonicMs() - lastData;
      if (quiet >= limit || idle > limit / 50 + 2) return kResultTimeout;
      int ready = session.data->waitReadable(
          static_cast<int>(std::min<int64_t>(50, std::max<int64_t>(1, limit - quiet))), err);
      if (ready < 0) {
        role.lastSocketError = err;
        return -1;
      }
      if (ready == 0) {
        ++idle;
        continue;
      }
    }
    char* dst = nullptr;
    size_t room = sink.prepare(dst);
    if (room == 0 || !dst) {
      clock.sleepMs(std::max(1, sink.pauseMs()));
      continue;
    }
    long n =
        waits ? session.data->receive(dst, room, err) : session.data->receiveNow(dst, room, err);
    if (n == FtpLink::kLinkWouldBlock) {
      more = false;
      continue;
    }
    if (n < 0) {
      role.lastSocketError = err;
      return -1;
    }
    if (n == 0 && run != 0) {
      // A reply that came during the run of reads is seen before the end is judged.
      int ended = watchControl(session, role, done226);
      if (ended != 0) return drainThenEnd(session, sink, ended);
    }
    if (n == 0) {
      if (!done226 && session.control && sink.closeNeedsConfirmation()) {
        int code =
            readReply(err, *session.control, role, static_cast<int>(limit), session.pending, true);
        // A lost control connection is a lost transfer (retried), not a socket fault.
        if (code == 0 || code == -1) return 0;
        if (code != 226 && code != 250) return code;
      }
      return sink.peerClosed();
    }
    idle = 0;
    lastData = clock.monotonicMs();
    // A read that fell short of the room emptied the socket's queue.
    more = static_cast<size_t>(n) == room;
    int r = sink.accepted(static_cast<size_t>(n));
    if (r != 0) return r;
    if (int pause = sink.pauseMs(); pause > 0) clock.sleepMs(pause);
  }
}

int readListingData(FtpSession& session, RoleRecord& role, const FtpSettings& settings,
                    std::string& out, size_t limit) {
  if (!session.data) {
    int r = acceptData(session, role, settings);
    if (r != 1) return r;
  }
  Clock& clock = roleClock(role);
  const int64_t timeout = static_cast<int64_t>(settings.dataOutSec) * 1000;
  int64_t lastData = clock.monotonicMs();
  int64_t idle = 0;
  char chunk[4096];
  for (;;) {
    if (role.stopEvent.tryWait()) return role.outcome.load();
    int64_t quiet = clock.monotonicMs() - lastData;
    if (quiet >= timeout || idle > timeout / 50 + 2) return kResultTimeout;
    int err = 0;
    int ready = session.data->waitReadable(50, err);
    if (ready < 0) {
      role.lastSocketError = err;
      return -1;
    }
    if (ready == 0) {
      ++idle;
      continue;
    }
    long n = session.data->receive(chunk, sizeof chunk, err);
    if (n < 0) {
      role.lastSocketError = err;
      return -1;
    }
    if (n == 0) {
      session.data.reset();
      return 1;
    }
    idle = 0;
    lastData = clock.monotonicMs();
    if (out.size() + static_cast<size_t>(n) > limit) return kResultError;
    out.append(chunk, static_cast<size_t>(n));
  }
}

}  // namespace fw

#pragma once
// FTP data connections (passive and active) and the data loop that pours a transfer
// into the Role's receive buffer while watching the control connection. Role thread only.

#include <cstddef>

#include "engine/ftp/ftp_session.h"

namespace fw {

struct RoleRecord;

// "PASV" (or, where the server sees the Role over IPv6, "EPSV" of RFC 2428) and a
// connection to the announced port. The connection goes to the control connection's
// peer, not to the announced address (a server must not send the client to another
// host, and servers behind NAT announce private addresses); through a proxy of type 2,
// 8 or 9 the tunnel goes to role.target.host. The server is seen over IPv6 when the
// control connection's peer is an IPv6 address, or through a tunnel when the URL's host
// is one.
// 1 connected (session.data set); 0 the command could not be sent; 2 the reply was not
// a usable 227 / 229 or the connection failed (the Role goes active); the reply code
// when it was not 227 / 229 (421 included; a refused "EPSV" too, so that the Role goes
// active as after a refused "PASV"); -9 / the Role's stop result from the connection wait.
int enterPassive(FtpSession& session, RoleRecord& role, const FtpSettings& settings);

// Listens on the control connection's local address and sends "PORT h1,h2,h3,h4,p1,p2",
// or over IPv6 "EPRT |2|address|port|".
// 1 on reply 200; 421 as is; 0 / negative from the exchange; -1 for any other reply or
// when no listener could be opened.
int enterActive(FtpSession& session, RoleRecord& role, const FtpSettings& settings);

// Waits for the server's data connection on the listener ("ConnOut" seconds in 50 ms
// slices, testing the stop event). 1 accepted (session.data set, listener closed);
// -9 none in time (at once below 56 ms); -1 accept failed; the Role's stop result.
int acceptData(FtpSession& session, RoleRecord& role, const FtpSettings& settings);

// Where the data loop puts what it reads: the Role's receive buffer and the job's
// progress (range cut, counters, hand-over to the write cache, pacing, speed).
class FtpReceiveSink {
 public:
  virtual ~FtpReceiveSink() = default;
  // Room for the next read (0 = wait: bandwidth budget empty); `dst` where to put it.
  virtual size_t prepare(char*& dst) = 0;
  // `n` bytes were read into `dst`. 1 the range or the file is complete; 0 go on;
  // negative: end the loop with that code (a failed write).
  virtual int accepted(size_t n) = 0;
  // The server closed the data connection: 1 complete, 0 ended early.
  virtual int peerClosed() = 0;
  // Pause the sink asks for after a read (pacing, empty budget), in ms; 0 for none.
  virtual int pauseMs() { return 0; }
  // True while prepare() draws on a bandwidth budget: each read then waits for data
  // first, so that no budget is taken for a read that finds nothing.
  virtual bool budgeted() { return false; }
  // Whether the end of the data connection may only count as the end of the file once
  // the server confirms the transfer (226 or 250): true where no size bounds the data, as
  // a transfer the server broke off ends the same way.
  virtual bool closeNeedsConfirmation() { return false; }
};

// Runs a transfer on session.data (accepting it first in active mode): after a read that
// filled the sink's room the next read is tried at once, and only one that finds nothing
// leads to a wait for data. The control connection is looked at before every wait, every
// 16th read of an unbroken run and at the end of the data. Ends with 1 when
// the sink says complete; 0 when the data connection closed early (or, where the sink asks
// for a confirmation, the control connection closed without one); -9 when no data (or no
// asked-for confirmation) came within "DataOut"; -1 on a socket error; the code of a reply
// on the control connection other than 226 (421 included); the sink's negative code; or
// the Role's stop result.
int ftpDataLoop(FtpSession& session, RoleRecord& role, const FtpSettings& settings,
                FtpReceiveSink& sink);

// Reads a whole listing from session.data until the server closes it, at most
// `limit` bytes (more is an error, -10). 1 done; -9 / -1 / stop result as above.
int readListingData(FtpSession& session, RoleRecord& role, const FtpSettings& settings,
                    std::string& out, size_t limit = 8u << 20);

}  // namespace fw

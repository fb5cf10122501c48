#pragma once
// TCP sockets as the transfer engine uses them: IPv4 or IPv6 stream sockets,
// non-blocking, with address reuse, no Nagle delay and the largest send buffer the
// system accepts up to 65,536 bytes. Error numbers handed back are errno values.

#include <sys/socket.h>

#include <cstdint>
#include <string>

namespace fw {

inline constexpr int kInvalidSocket = -1;

// Which part of setting up a fresh socket failed; the Role turns each into its step.
enum class SocketSetup {
  Ok,
  CreateFailed,    // socket() failed; nothing to close
  OptionFailed,    // SO_REUSEADDR or TCP_NODELAY refused; the socket was closed
  NonBlockFailed,  // O_NONBLOCK could not be set; the socket was closed
};

// Creates a socket of `family` (AF_INET or AF_INET6) with the options above into `fd`
// (kInvalidSocket on failure, with errno in `errorOut`). SO_SNDBUF starts at 65,536 and
// is halved after each refusal until accepted or below 1 (a buffer the system never
// accepts is not a failure). Any thread.
SocketSetup createStreamSocket(int& fd, int& errorOut, int family = AF_INET);

// Closes `fd` when valid and sets it to kInvalidSocket. Any thread.
void closeSocket(int& fd);

// Shuts both directions of a connected socket down (errors ignored). Any thread.
void shutdownSocket(int fd);

// Switches O_NONBLOCK on or off; false with errno in `errorOut` on failure.
bool setNonBlocking(int fd, bool on, int& errorOut);

// True for an address written as four dotted decimal numbers ("10.0.0.1"); such a
// host needs no look-up.
bool isDottedIPv4(const std::string& host);

// True for an IPv6 address in its text form, without brackets ("::1"); such a host
// needs no look-up either.
bool isNumericIPv6(const std::string& host);

// AF_INET6 for an IPv6 address text, AF_INET for anything else.
int familyOfAddress(const std::string& address);

// The address family of a socket (AF_INET, AF_INET6), -1 when it cannot be told.
int socketFamily(int fd);

// The address text of a socket's local end (`peer` false) or of its peer: dotted IPv4,
// or IPv6 without brackets ("::1"). Empty when unknown.
std::string socketAddress(int fd, bool peer);

// Fills `out` with `address` (IPv4 or IPv6 text) and `port`; false when `address` is
// neither. `len` gets the size of the filled structure.
bool makeSocketAddress(const std::string& address, uint16_t port, sockaddr_storage& out,
                       socklen_t& len);

}  // namespace fw

#pragma once
// The address forms of passive (227, 229) and active (PORT, EPRT) mode.

#include <string>

namespace fw {

// Reads "h1,h2,h3,h4,p1,p2" from a 227 reply text: after the first "(" (or, for servers
// that leave the parentheses out, from the first digit after the code), six decimal
// numbers 0..255 separated by "," with blanks ignored, ended by ")" or the end of the
// text. True with `ip` = "h1.h2.h3.h4" and `port` = p1 * 256 + p2 (never 0); false for
// any other text, leaving the outputs alone.
bool parsePassiveReply(const std::string& text, std::string& ip, int& port);

// "%d,%d,%d,%d,%d,%d" for a dotted IPv4 address and a port; empty when `ip` is not one.
std::string portArgument(const std::string& ip, int port);

// Reads the port of a 229 reply (RFC 2428): after the first "(", three equal delimiter
// characters (printable ASCII, "|" as a rule), the port (1 to 65535, decimal), the
// delimiter again. True with `port`; false for any other text, leaving it alone.
bool parseExtendedPassiveReply(const std::string& text, int& port);

// The argument of "EPRT": "|1|h1.h2.h3.h4|port|" for an IPv4 address, "|2|addr|port|"
// for an IPv6 one; empty when `ip` is neither or `port` is out of range.
std::string extendedPortArgument(const std::string& ip, int port);

// The address a passive data connection goes to: the control connection's peer when it
// is known (a server must not steer the client to another host, and servers behind NAT
// announce private addresses), else the announced one.
std::string passiveTarget(const std::string& announced, const std::string& controlPeer);

}  // namespace fw

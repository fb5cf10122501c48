#pragma once
// How a host is written where a URL, a "Host:" line or a proxy request names it: an IPv6
// address goes inside brackets there ("[2001:db8::1]:8080") and without them everywhere
// a connection is made. Pure functions; any thread.

#include <string>
#include <string_view>

namespace fw {

// True for a host that is an IPv6 address written without brackets ("::1",
// "2001:db8::1", "::ffff:10.0.0.1"): hexadecimal digits, ":" and "." only, with at
// least two ":". A host name never holds ":", so this is all a caller has to tell.
bool isIPv6Literal(std::string_view host);

// `host` in brackets when it is an IPv6 address, as it is otherwise.
std::string bracketedHost(std::string_view host);

// `host` without the brackets around it, when it has them ("[::1]" -> "::1").
std::string_view unbracketedHost(std::string_view host);

// "host:port", the host bracketed as above.
std::string hostPortText(std::string_view host, int port);

// Splits "host", "host:port", "[v6]" or "[v6]:port" into the host (brackets removed)
// and the port (0 when none is given). False for a port that is not a number from 0 to
// 65535, for brackets that do not hold an IPv6 address or are followed by anything but
// ":port", and for a host without brackets that still holds a ":".
bool splitHostPort(std::string_view text, std::string& host, int& port);

}  // namespace fw

#pragma once
// Receive-buffer sizing of a socket. Any thread.

namespace fw {

// Asks for a receive buffer (SO_RCVBUF) of `wanted` bytes, halving the request after each
// refusal down to 1. Returns the size that was accepted, 0 when every size was refused.
int setReceiveBufferSize(int fd, int wanted = 65536);

}  // namespace fw

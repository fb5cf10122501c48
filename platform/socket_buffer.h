#pragma once
// Receive-buffer sizing of a socket. Any thread.

namespace fw {

// Asks for a receive buffer (SO_RCVBUF) of `wanted` bytes, halving the request after each
// refusal down to 1. Returns the size that was accepted, 0 when every size was refused.
int setReceiveBufferSize(int fd, int wanted = 65536);

// Makes sure the receive buffer holds at least `wanted` bytes. A buffer that is already
// that large is left alone: setting SO_RCVBUF on Linux switches off the kernel's own
// growth of the buffer, which would shrink the window of a fast connection. Returns the
// size in effect (the kernel's figure when unchanged), 0 when nothing could be set.
int ensureReceiveBufferSize(int fd, int wanted = 65536);

}  // namespace fw

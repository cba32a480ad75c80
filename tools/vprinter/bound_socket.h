// The socket every network front end of the printer starts from: made, and bound to host:port.
#pragma once
#include <string>

namespace vprinter {

// A close-on-exec, non-blocking socket of type (SOCK_STREAM or SOCK_DGRAM) bound to host:port with
// SO_REUSEADDR; port 0 lets the system pick. Returns the socket and sets port to the one bound, or
// returns -1 with errno set and nothing left open.
int OpenBoundSocket(const std::string& host, unsigned short& port, int type);

}  // namespace vprinter

#pragma once

namespace aru::server {

// Reaches the server's connected sockets, which the HTTP library keeps to itself: it finds them
// among the process's descriptors by port numbers.
class SocketControl {
public:
    // Resets (RST) the connection between the two ports at once; the descriptor stays open for
    // the library to close.
    static void reset(int localPort, int remotePort);
    // Shuts down every connection accepted on the port, so that worker threads waiting for the
    // next request on an idle keep-alive connection end now rather than at its timeout.
    static void shutdownAll(int localPort);
};

} // namespace aru::server

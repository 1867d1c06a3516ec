#include "SocketControl.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <dirent.h>
#include <functional>
#include <sys/socket.h>

namespace aru::server {

namespace {

int portOf(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return -1;
}

// Calls `visit` with each connected socket and its local and remote ports; stops when it
// returns false.
void forEachConnection(const std::function<bool(int fd, int localPort, int remotePort)>& visit) {
    DIR* descriptors = opendir("/proc/self/fd");
    if (!descriptors)
        return;
    const int listing = dirfd(descriptors);
    while (const dirent* entry = readdir(descriptors)) {
        const int fd = std::atoi(entry->d_name);
        if (fd <= 2 || fd == listing)
            continue;
        sockaddr_storage local{}, remote{};
        socklen_t localSize = sizeof local, remoteSize = sizeof remote;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0 ||
            getpeername(fd, reinterpret_cast<sockaddr*>(&remote), &remoteSize) != 0)
            continue;
        if (!visit(fd, portOf(local), portOf(remote)))
            break;
    }
    closedir(descriptors);
}

} // namespace

void SocketControl::reset(int localPort, int remotePort) {
    forEachConnection([=](int fd, int local, int remote) {
        if (local != localPort || remote != remotePort)
            return true;
        // Disconnecting a connected TCP socket sends RST. SO_LINGER would not do: the library
        // shuts the socket down (FIN) before closing it.
        sockaddr unspecified{};
        unspecified.sa_family = AF_UNSPEC;
        ::connect(fd, &unspecified, sizeof unspecified);
        return false;
    });
}

void SocketControl::shutdownAll(int localPort) {
    forEachConnection([=](int fd, int local, int) {
        if (local == localPort)
            ::shutdown(fd, SHUT_RDWR);
        return true;
    });
}

} // namespace aru::server

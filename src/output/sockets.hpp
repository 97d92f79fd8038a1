// SPDX-License-Identifier: MIT
// Socket addresses for the network sinks: a unix path or a HOST[:PORT]
// resolved once, and connecting a close-on-exec socket to one.
#pragma once

#include <sys/socket.h>

#include <string_view>

namespace tev {

struct SocketAddress {
    sockaddr_storage storage;
    socklen_t len;
    int type;  // SOCK_DGRAM or SOCK_STREAM
};

// 0, EINVAL for a path that does not fit.
int unix_address(std::string_view path, int type, SocketAddress *out);
// "HOST", "HOST:PORT" or "[V6]:PORT"; 0, EINVAL or EHOSTUNREACH.
int host_address(std::string_view host_port, const char *default_port, int type,
                 SocketAddress *out);
// A connected socket in *fd, or an errno value.
int connect_address(const SocketAddress &address, int *fd);

}  // namespace tev

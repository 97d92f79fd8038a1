// SPDX-License-Identifier: MIT
// Resolving and connecting the addresses of the network sinks.
#include "output/sockets.hpp"
#include "core/views.hpp"

#include <netdb.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

namespace tev {

int unix_address(std::string_view path, int type, SocketAddress *out) {
    sockaddr_un un{};
    if (path.empty() || path.size() >= sizeof un.sun_path) return EINVAL;
    un.sun_family = AF_UNIX;
    std::memcpy(un.sun_path, path.data(), path.size());
    *out = SocketAddress{};
    std::memcpy(&out->storage, &un, sizeof un);
    out->len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
    out->type = type;
    return 0;
}

int host_address(std::string_view host_port, const char *default_port, int type,
                 SocketAddress *out) {
    char host[256];
    char port[16];
    std::string_view h = host_port;
    std::string_view p = default_port;
    if (!h.empty() && h.front() == '[') {
        const size_t close = h.find(']');
        if (close == std::string_view::npos) return EINVAL;
        std::string_view rest = slice(h, close + 1);
        h = slice(h, 1, close - 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return EINVAL;
            p = slice(rest, 1);
        }
    } else if (const size_t colon = h.rfind(':'); colon != std::string_view::npos) {
        p = slice(h, colon + 1);
        h = slice(h, 0, colon);
    }
    if (h.empty() || h.size() >= sizeof host || p.empty() || p.size() >= sizeof port) return EINVAL;
    std::memcpy(host, h.data(), h.size());
    host[h.size()] = '\0';
    std::memcpy(port, p.data(), p.size());
    port[p.size()] = '\0';

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = type;
    addrinfo *found = nullptr;
    if (getaddrinfo(host, port, &hints, &found) != 0 || found == nullptr) return EHOSTUNREACH;
    *out = SocketAddress{};
    std::memcpy(&out->storage, found->ai_addr, found->ai_addrlen);
    out->len = found->ai_addrlen;
    out->type = type;
    freeaddrinfo(found);
    return 0;
}

int connect_address(const SocketAddress &address, int *fd) {
    const int s = socket(address.storage.ss_family, address.type | SOCK_CLOEXEC, 0);
    if (s < 0) return errno;
    if (connect(s, reinterpret_cast<const sockaddr *>(&address.storage), address.len) != 0) {
        const int err = errno;
        close(s);
        return err;
    }
    *fd = s;
    return 0;
}

}  // namespace tev

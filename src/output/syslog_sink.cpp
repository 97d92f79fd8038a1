// SPDX-License-Identifier: MIT
// The syslog sink: every line becomes one RFC 5424 message on a unix
// datagram socket, over UDP, or over TCP with RFC 6587 octet counting, its
// severity taken from the line's level. Calls are serialised by the logger
// tree's write lock, so the sink keeps no lock of its own.
#include <sys/socket.h>
#include <sys/uio.h>
#include <syslog.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "output/line_assembler.hpp"
#include "core/views.hpp"
#include "output/output.hpp"
#include "output/severity.hpp"
#include "output/sockets.hpp"

namespace tev {
namespace {

constexpr std::string_view kLocalSocket = "/dev/log";
constexpr char kDefaultPort[] = "514";

struct SyslogSink {
    SocketAddress address;
    int fd;
    int facility;
    char ident[49];     // APP-NAME: at most 48 printable characters
    char hostname[256];
    LineAssembler line;
};

void copy_printable(char *dst, size_t cap, const char *src) {
    size_t n = 0;
    for (; src != nullptr && src[n] != '\0' && n + 1 < cap; ++n) {
        const auto c = static_cast<unsigned char>(src[n]);
        dst[n] = (c > 32 && c < 127) ? static_cast<char>(c) : '_';
    }
    if (n == 0) dst[n++] = '-';
    dst[n] = '\0';
}

// The header up to and including the space before the body.
int format_header(const SyslogSink &s, char *out, size_t cap) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm utc{};
    gmtime_r(&now.tv_sec, &utc);
    const int n = std::snprintf(out, cap, "<%d>1 %04d-%02d-%02dT%02d:%02d:%02d.%06ldZ %s %s %d - - ",
                                s.facility | current_severity(), utc.tm_year + 1900, utc.tm_mon + 1,
                                utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                                static_cast<long>(now.tv_nsec / 1000), s.hostname, s.ident,
                                static_cast<int>(getpid()));
    return n < 0 || static_cast<size_t>(n) >= cap ? -1 : n;
}

void drop_connection(SyslogSink *s) {
    if (s->fd >= 0) close(s->fd);
    s->fd = -1;
}

// A TCP peer that went away leaves the socket readable at end of file; the
// first send after that would vanish into a dead connection, so look first.
void drop_if_peer_closed(SyslogSink *s) {
    if (s->fd < 0 || s->address.type != SOCK_STREAM) return;
    char byte;
    const ssize_t got = recv(s->fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        drop_connection(s);
    }
}

// Sends every byte of the vector on a stream, or the one datagram.
int send_all(int fd, iovec *iov, int count) {
    size_t total = 0;
    for (int i = 0; i < count; ++i) total += iov[i].iov_len;
    while (total > 0) {
        msghdr msg{};
        msg.msg_iov = iov;
        msg.msg_iovlen = static_cast<size_t>(count);
        const ssize_t sent = sendmsg(fd, &msg, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        total -= static_cast<size_t>(sent);
        // Skip what went out; only a stream ever sends part of a message.
        auto left = static_cast<size_t>(sent);
        while (count > 0 && left >= iov->iov_len) {
            left -= iov->iov_len;
            ++iov;
            --count;
        }
        if (count > 0) {
            iov->iov_base = static_cast<char *>(iov->iov_base) + left;
            iov->iov_len -= left;
        }
    }
    return 0;
}

int send_message(SyslogSink *s, std::string_view body) {
    char header[512];
    const int header_len = format_header(*s, header, sizeof header);
    if (header_len < 0) return EINVAL;
    char count[24];
    int count_len = 0;
    if (s->address.type == SOCK_STREAM) {
        count_len = std::snprintf(count, sizeof count, "%zu ",
                                  static_cast<size_t>(header_len) + body.size());
    }
    // One retry on a fresh connection: the daemon may have restarted since
    // the last line (a new /dev/log, a new TCP listener).
    int rc = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        drop_if_peer_closed(s);
        if (s->fd < 0) {
            rc = connect_address(s->address, &s->fd);
            if (rc != 0) return rc;
        }
        iovec iov[3] = {{count, static_cast<size_t>(count_len)},
                        {header, static_cast<size_t>(header_len)},
                        {const_cast<char *>(body.data()), body.size()}};
        rc = send_all(s->fd, iov, 3);
        if (rc == 0) return 0;
        drop_connection(s);
        if (rc == EMSGSIZE) return rc;
    }
    return rc;
}

void free_sink(SyslogSink *s) {
    drop_connection(s);
    tevra_free_internal(s);
}

using SyslogLines = AssembledSink<SyslogSink, &SyslogSink::line, send_message, free_sink>;

int parse_address(const char *text, SocketAddress *out) {
    std::string_view a = text == nullptr ? std::string_view{} : std::string_view(text);
    if (a.empty()) return unix_address(kLocalSocket, SOCK_DGRAM, out);
    if (a.starts_with("unix:")) return unix_address(slice(a, 5), SOCK_DGRAM, out);
    if (a.starts_with("udp://")) return host_address(slice(a, 6), kDefaultPort, SOCK_DGRAM, out);
    if (a.starts_with("tcp://")) return host_address(slice(a, 6), kDefaultPort, SOCK_STREAM, out);
    return EINVAL;
}

// <syslog.h> facilities are already shifted; the kernel's (0) is refused
// in favour of LOG_USER, the others must be one of the 24 defined codes.
int facility_code(int facility) {
    if (facility == 0) return LOG_USER;
    if (facility < 0 || (facility & 7) != 0 || facility > LOG_LOCAL7) return -1;
    return facility;
}

}  // namespace

int open_syslog_output(tevra_output *out, const char *address, const char *ident, int facility) {
    const int code = facility_code(facility);
    if (code < 0) return EINVAL;
    SocketAddress parsed;
    if (const int rc = parse_address(address, &parsed); rc != 0) return rc;
    auto *s = static_cast<SyslogSink *>(tevra_calloc_internal(1, sizeof(SyslogSink)));
    if (s == nullptr) return ENOMEM;
    s->address = parsed;
    s->facility = code;
    s->fd = -1;
    copy_printable(s->ident, sizeof s->ident, ident != nullptr ? ident : program_invocation_short_name);
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
    copy_printable(s->hostname, sizeof s->hostname, host);
    // Connecting now reports a wrong address at once; a daemon that is not
    // up yet is tried again at every line, so that is not an error.
    if (connect_address(s->address, &s->fd) != 0) s->fd = -1;
    *out = tevra_output{&SyslogLines::write, &SyslogLines::close, nullptr, s, 1};
    return 0;
}

}  // namespace tev

extern "C" int tevra_output_init_syslog(tevra_output *out, const char *address, const char *ident,
                                        int facility) {
    return out != nullptr ? tev::open_syslog_output(out, address, ident, facility) : EINVAL;
}

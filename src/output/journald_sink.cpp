// SPDX-License-Identifier: MIT
// The journal sink: every line becomes one entry of the journal's native
// protocol with MESSAGE, PRIORITY, SYSLOG_IDENTIFIER and, for JSON lines,
// the event's fields. An entry too large for a datagram goes through a
// sealed memory file. Calls are serialised by the logger tree's write lock.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "output/journal_entry.hpp"
#include "output/output.hpp"
#include "output/severity.hpp"
#include "output/sockets.hpp"

namespace tev {
namespace {

constexpr char kJournalSocket[] = "/run/systemd/journal/socket";
// For tests that run their own journald: another socket path.
constexpr char kSocketOverride[] = "TEVRA_JOURNAL_SOCKET";

struct JournalSink {
    SocketAddress address;
    int fd;
    char ident[256];
    LineAssembler line;
    LineAssembler entry;
    LineAssembler plain;
};

int send_datagram(const JournalSink &s) {
    iovec iov{s.entry.data, s.entry.len};
    msghdr msg{};
    msg.msg_name = const_cast<sockaddr_storage *>(&s.address.storage);
    msg.msg_namelen = s.address.len;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    for (;;) {
        if (sendmsg(s.fd, &msg, MSG_NOSIGNAL) >= 0) return 0;
        if (errno != EINTR) return errno;
    }
}

// The protocol's way for large entries: the entry in a memory file, sealed
// so the journal can trust its contents, passed as the only payload.
int send_memfd(const JournalSink &s) {
    const int mfd = memfd_create("tevra-journal", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (mfd < 0) return errno;
    int rc = 0;
    size_t off = 0;
    while (off < s.entry.len && rc == 0) {
        const ssize_t n = write(mfd, s.entry.data + off, s.entry.len - off);
        if (n < 0 && errno != EINTR) rc = errno;
        if (n > 0) off += static_cast<size_t>(n);
    }
    if (rc == 0 &&
        fcntl(mfd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) != 0) {
        rc = errno;
    }
    if (rc == 0) {
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
        msghdr msg{};
        msg.msg_name = const_cast<sockaddr_storage *>(&s.address.storage);
        msg.msg_namelen = s.address.len;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        cmsghdr *c = CMSG_FIRSTHDR(&msg);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(c), &mfd, sizeof(int));
        while (sendmsg(s.fd, &msg, MSG_NOSIGNAL) < 0) {
            if (errno != EINTR) {
                rc = errno;
                break;
            }
        }
    }
    close(mfd);
    return rc;
}

int send_entry(JournalSink *s, std::string_view line) {
    const std::string_view message = strip_colour(line, &s->plain);
    const char priority[2] = {static_cast<char>('0' + current_severity()), '\0'};
    s->entry.len = 0;
    const bool built = journal_append_field(&s->entry, "MESSAGE", message) &&
                       journal_append_field(&s->entry, "PRIORITY", priority) &&
                       journal_append_field(&s->entry, "SYSLOG_IDENTIFIER", s->ident) &&
                       journal_append_json_fields(&s->entry, message);
    if (!built) return ENOMEM;
    const int rc = send_datagram(*s);
    if (rc == EMSGSIZE || rc == ENOBUFS) return send_memfd(*s);
    return rc;
}

void free_sink(JournalSink *s) {
    close(s->fd);
    assembler_release(&s->entry);
    assembler_release(&s->plain);
    tevra_free_internal(s);
}

using JournalLines = AssembledSink<JournalSink, &JournalSink::line, send_entry, free_sink>;

}  // namespace

int open_journald_output(tevra_output *out, const char *ident) {
    const char *path = std::getenv(kSocketOverride);
    SocketAddress address;
    if (const int rc = unix_address(path != nullptr && *path != '\0' ? path : kJournalSocket,
                                    SOCK_DGRAM, &address);
        rc != 0) {
        return rc;
    }
    // Unconnected: every entry is addressed, so a restarted journal is
    // reached without reconnecting.
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return errno;
    auto *s = static_cast<JournalSink *>(tevra_calloc_internal(1, sizeof(JournalSink)));
    if (s == nullptr) {
        close(fd);
        return ENOMEM;
    }
    s->address = address;
    s->fd = fd;
    const char *name = ident != nullptr && *ident != '\0' ? ident : program_invocation_short_name;
    std::strncpy(s->ident, name, sizeof s->ident - 1);
    // No isatty: the journal is never a terminal, so automatic colour is off.
    *out = tevra_output{&JournalLines::write, &JournalLines::close, nullptr, s, 1};
    return 0;
}

}  // namespace tev

extern "C" int tevra_output_init_journald(tevra_output *out, const char *ident) {
    return out != nullptr ? tev::open_journald_output(out, ident) : EINVAL;
}

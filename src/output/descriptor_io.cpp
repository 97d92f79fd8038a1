// SPDX-License-Identifier: MIT
// Descriptor writes that survive signals and non-blocking descriptors; the
// descriptor sink and the stdio sink both go through them.
#include "output/descriptor_io.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

namespace tev {
namespace {


bool would_block(int err) { return err == EAGAIN || err == EWOULDBLOCK; }

}  // namespace

// As long as write on a blocking descriptor would wait; no time limit.
int wait_writable(int fd) {
    pollfd p{fd, POLLOUT, 0};
    for (;;) {
        errno = 0;
        if (poll(&p, 1, -1) >= 0) return 0;
        if (errno != EINTR) return errno_or_unknown();
    }
}

// A signal that arrives before the kernel took any byte makes write fail
// with EINTR; that is no failure of the sink, and reporting it would cut the
// line short, so the call is repeated. A signal after some bytes were taken
// shows up as a short count instead, which the caller completes. A full
// non-blocking descriptor (a pipe handed over by a supervisor, a terminal
// another program set O_NONBLOCK on) is waited for: dropping the bytes would
// lose or tear lines.
int write_descriptor(int fd, const void *data, size_t len, size_t *written) {
    for (;;) {
        errno = 0;
        ssize_t n = write(fd, data, len);
        if (n >= 0) {
            *written = static_cast<size_t>(n);
            return 0;
        }
        int err = errno_or_unknown();
        if (err == EINTR) continue;
        if (would_block(err)) {
            err = wait_writable(fd);
            if (err == 0) continue;
        }
        *written = 0;
        return err;
    }
}

int write_descriptor_all(int fd, const void *data, size_t len, size_t *written) {
    const auto *bytes = static_cast<const unsigned char *>(data);
    size_t done = 0;
    int rc = 0;
    while (done < len) {
        size_t got = 0;
        rc = write_descriptor(fd, bytes + done, len - done, &got);
        done += got;
        if (rc != 0) break;
        if (got == 0) {
            rc = EIO;
            break;
        }
    }
    *written = done;
    return rc;
}

int open_log_file(const char *path, bool truncate, unsigned mode_bits) {
    errno = 0;
    const int flags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | (truncate ? O_TRUNC : 0);
    return open64(path, flags, static_cast<mode_t>(mode_bits));
}

}  // namespace tev

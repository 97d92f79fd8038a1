// SPDX-License-Identifier: MIT
// The stdio stream sink: a FILE * as context. Every call leaves the stream's
// buffer empty, so nothing of a line waits there, and a stream with a
// descriptor is written through that descriptor.
#include <stdio_ext.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "output/descriptor_io.hpp"
#include "output/output.hpp"
#include "tevra.h"

namespace tev {
namespace {

// A failed stdio call need not set errno; 5 (EIO) stands in then.
int errno_or_eio() { return errno != 0 ? errno : EIO; }

// Sends what the stream's buffer holds, so that text the application left
// there and the line keep their order. A signal, or a full non-blocking
// descriptor, is no reason to give up: the stream's error is cleared and the
// flush repeated, once the descriptor can take bytes. Without a descriptor
// there is nothing to wait on, and a full stream is a failure.
[[nodiscard]] int flush_stream(FILE *fp, int fd) {
    for (;;) {
        errno = 0;
        if (std::fflush(fp) == 0) return 0;
        int err = errno_or_eio();
        bool full = err == EAGAIN || err == EWOULDBLOCK;
        if (err != EINTR && !(full && fd >= 0)) return err;
        clearerr(fp);
        if (full) {
            if (int rc = wait_writable(fd); rc != 0) return rc;
        }
    }
}

// A stream without a descriptor (a memory or cookie stream) can only be
// written through stdio. When that fails, whatever the stream kept of the
// line is thrown away rather than sent later in front of, or into, the next
// line.
[[nodiscard]] int write_stream(FILE *fp, const void *data, size_t len, size_t *written) {
    errno = 0;
    size_t accepted = len != 0 ? std::fwrite(data, 1, len, fp) : 0;
    int rc = accepted == len ? flush_stream(fp, -1) : errno_or_eio();
    if (rc != 0) {
        size_t held = __fpending(fp);
        __fpurge(fp);
        accepted -= held < accepted ? held : accepted;
    }
    *written = accepted;
    return rc;
}

// stdio cannot be trusted with a line when a write fails part way: glibc
// drops whatever its buffer held at that moment, although fwrite had
// counted it as accepted, so neither a retry nor the count is sound. The
// stream's own bytes are flushed first, then the line goes straight to the
// descriptor, where every byte taken is known. The stream lock keeps other
// threads' stdio calls on the same stream from coming in between.
int file_write(FILE *fp, const void *data, size_t len, size_t *written) {
    flockfile(fp);
    const int fd = fileno(fp);
    size_t done = 0;
    int rc = flush_stream(fp, fd);
    if (rc == 0) {
        rc = fd >= 0 ? write_descriptor_all(fd, data, len, &done)
                     : write_stream(fp, data, len, &done);
    }
    funlockfile(fp);
    if (written != nullptr) *written = done;
    return rc;
}

int file_close(FILE *fp) {
    errno = 0;
    if (std::fclose(fp) == 0) return 0;
    return errno_or_eio();
}

int file_isatty(FILE *fp) {
    int fd = fileno(fp);
    if (fd < 0) return 0;
    return isatty(fd) != 0 ? 1 : 0;
}

}  // namespace

void output_from_fp(tevra_output *out, FILE *fp, bool owned) {
    out->write = &tevra_file_write;
    out->close = owned ? &tevra_file_close : nullptr;
    out->isatty = &tevra_file_isatty;
    out->user_data = fp;
    out->owns = owned ? 1 : 0;
}

}  // namespace tev

extern "C" {

void tevra_output_from_fp(tevra_output *out, FILE *fp, int close_flag) {
    if (out != nullptr) tev::output_from_fp(out, fp, close_flag != 0);
}

int tevra_file_write(void *user_data, const void *data, size_t len, size_t *written) {
    // No stream, or bytes promised behind a NULL pointer: nothing is written.
    if (user_data == nullptr || (data == nullptr && len != 0)) {
        if (written != nullptr) *written = 0;
        return -1;
    }
    return tev::file_write(static_cast<FILE *>(user_data), data, len, written);
}

int tevra_file_close(void *user_data) {
    if (user_data == nullptr) return 0;
    return tev::file_close(static_cast<FILE *>(user_data));
}

int tevra_file_isatty(void *user_data) {
    if (user_data == nullptr) return 0;
    return tev::file_isatty(static_cast<FILE *>(user_data));
}

}  // extern "C"

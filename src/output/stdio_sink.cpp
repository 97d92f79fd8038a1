// SPDX-License-Identifier: MIT
// The stdio stream sink: a FILE * as context, one fwrite per call and a
// flush after every line, so nothing waits in the stream buffer.
#include <cerrno>
#include <cstdio>

#include <unistd.h>

#include "tevra.h"

namespace tevra {
namespace {

// A failed stdio call need not set errno; 5 (EIO) stands in then.
int errno_or_eio() { return errno != 0 ? errno : EIO; }

int file_write(FILE *fp, const void *data, size_t len, size_t *written) {
    errno = 0;
    size_t n = len != 0 ? std::fwrite(data, 1, len, fp) : 0;
    if (written != nullptr) *written = n;
    // Flushed even after a short fwrite, so whatever was accepted leaves now.
    int flushed = std::fflush(fp);
    if (n == len && flushed == 0) return 0;
    return errno_or_eio();
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
}  // namespace tevra

extern "C" {

void tevra_output_from_fp(tevra_output *out, FILE *fp, int close_flag) {
    if (out == nullptr) return;
    out->write = &tevra_file_write;
    out->close = close_flag != 0 ? &tevra_file_close : nullptr;
    out->isatty = &tevra_file_isatty;
    out->user_data = fp;
    out->owns = close_flag != 0 ? 1 : 0;
}

int tevra_file_write(void *user_data, const void *data, size_t len, size_t *written) {
    // No stream, or bytes promised behind a NULL pointer: nothing is written.
    if (user_data == nullptr || (data == nullptr && len != 0)) {
        if (written != nullptr) *written = 0;
        return -1;
    }
    return tevra::file_write(static_cast<FILE *>(user_data), data, len, written);
}

int tevra_file_close(void *user_data) {
    if (user_data == nullptr) return 0;
    return tevra::file_close(static_cast<FILE *>(user_data));
}

int tevra_file_isatty(void *user_data) {
    if (user_data == nullptr) return 0;
    return tevra::file_isatty(static_cast<FILE *>(user_data));
}

}  // extern "C"

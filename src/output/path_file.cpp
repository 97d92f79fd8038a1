// SPDX-License-Identifier: MIT
// The path-following file sink. Writes come under the logger tree's write
// lock, and so does an explicit reopen, so the record needs no lock of its
// own. A reopen happens only between lines, never inside one.
#include "output/descriptor_io.hpp"
#include "output/output.hpp"
#include "output/path_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tev {
namespace {

constexpr int64_t kCheckIntervalNs = 1'000'000'000;

struct PathFile {
    int fd;  // first, as in the plain descriptor cell: tevra_fd_isatty applies
    unsigned mode_bits;
    dev_t dev;
    ino_t ino;
    int64_t next_check_ns;
    bool at_line_start;
    char *path;  // in the same allocation, after the record
};

int64_t monotonic_ns() {
    timespec ts{};
    // The coarse clock is read without a system call; a second's precision
    // is all the check needs.
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}


// Opens for appending even after a first open that truncated: a file
// truncated by someone else (logrotate's copytruncate) is then written
// from its new end, not at the old offset.
int open_append(const char *path, bool truncate, unsigned mode_bits, dev_t *dev, ino_t *ino) {
    const int fd = open_log_file(path, truncate, mode_bits);
    if (fd < 0) return -1;
    struct stat st{};
    if (fstat(fd, &st) == 0) {
        *dev = st.st_dev;
        *ino = st.st_ino;
    }
    return fd;
}

// On failure the old descriptor stays: lines reaching the rotated file
// are better than lines lost.
int reopen(PathFile *f) {
    dev_t dev{};
    ino_t ino{};
    const int fd = open_append(f->path, false, f->mode_bits, &dev, &ino);
    if (fd < 0) return errno_or_unknown();
    close(f->fd);
    f->fd = fd;
    f->dev = dev;
    f->ino = ino;
    f->next_check_ns = monotonic_ns() + kCheckIntervalNs;
    return 0;
}

void follow(PathFile *f) {
    const int64_t now = monotonic_ns();
    if (now < f->next_check_ns) return;
    f->next_check_ns = now + kCheckIntervalNs;
    struct stat st{};
    if (stat(f->path, &st) != 0 || st.st_dev != f->dev || st.st_ino != f->ino) (void)reopen(f);
}

int path_file_write(void *user, const void *data, size_t len, size_t *written) {
    auto *f = static_cast<PathFile *>(user);
    if (written != nullptr) *written = 0;
    if (f == nullptr || (data == nullptr && len != 0)) return -1;
    if (f->at_line_start) follow(f);
    size_t got = 0;
    const int rc = fd_write(&f->fd, data, len, &got);
    if (got > 0) f->at_line_start = static_cast<const char *>(data)[got - 1] == '\n';
    if (written != nullptr) *written = got;
    return rc;
}

int path_file_close(void *user) {
    auto *f = static_cast<PathFile *>(user);
    if (f == nullptr) return 0;
    errno = 0;
    const int rc = close(f->fd) != 0 ? errno_or_unknown() : 0;
    tevra_free_internal(f);
    return rc;
}

}  // namespace

int open_path_file(tevra_output *out, const char *path, bool truncate, unsigned mode_bits) {
    dev_t dev{};
    ino_t ino{};
    const int fd = open_append(path, truncate, mode_bits, &dev, &ino);
    if (fd < 0) return errno_or_unknown();
    const size_t path_len = std::strlen(path);
    // One allocation for the record and its path.
    auto *f = static_cast<PathFile *>(tevra_malloc_internal(sizeof(PathFile) + path_len + 1));
    if (f == nullptr) {
        close(fd);
        return -1;
    }
    f->fd = fd;
    f->mode_bits = mode_bits;
    f->dev = dev;
    f->ino = ino;
    f->next_check_ns = monotonic_ns() + kCheckIntervalNs;
    f->at_line_start = true;
    f->path = reinterpret_cast<char *>(f + 1);
    std::memcpy(f->path, path, path_len + 1);
    *out = tevra_output{&path_file_write, &path_file_close, &tevra_fd_isatty, f, 1};
    return 0;
}

int reopen_path_files(const tevra_output *out) {
    int first = 0;
    while (out != nullptr && out->user_data != nullptr) {
        int rc = 0;
        if (out->write == &path_file_write) {
            rc = reopen(static_cast<PathFile *>(out->user_data));
            out = nullptr;
        } else if (out->write == &tevra_observed_write) {
            out = &static_cast<const tevra_observed_output *>(out->user_data)->inner;
        } else if (out->write == &tevra_tee_write) {
            const auto *tee = static_cast<const tevra_tee *>(out->user_data);
            rc = reopen_path_files(&tee->first);
            out = &tee->second;
        } else {
            out = nullptr;
        }
        if (first == 0) first = rc;
    }
    return first;
}

}  // namespace tev

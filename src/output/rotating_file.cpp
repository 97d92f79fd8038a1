// SPDX-License-Identifier: MIT
// The rotating file output. Each line is gathered whole, then written under
// an flock on the file, so several processes may share one path: the lock
// holder checks that the path still names its file (another process may
// have rotated it), rotates when the line would pass the size limit or the
// file was last written in an earlier period, and appends the line.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "output/descriptor_io.hpp"
#include "output/line_assembler.hpp"
#include "output/output.hpp"

namespace tev {
namespace {

constexpr size_t kSuffixRoom = 24;  // ".4294967295" and the NUL

struct RotatingFile {
    int fd;
    uint64_t max_bytes;
    int every;
    unsigned max_files;
    unsigned mode_bits;
    LineAssembler line;
    char *path;  // in the same allocation, after the record
};


// Local time cut to the period: two times are in one period when equal.
long long period_of(time_t t, int every) {
    tm local{};
    localtime_r(&t, &local);
    const long long day = static_cast<long long>(local.tm_year) * 400 + local.tm_yday;
    return every == TEVRA_ROTATE_HOURLY ? day * 24 + local.tm_hour : day;
}

void numbered(char *dst, size_t cap, const char *path, unsigned n) {
    std::snprintf(dst, cap, "%s.%u", path, n);
}

// path.N-1 -> path.N ... path -> path.1; the oldest falls off. With no old
// files kept the current file is simply removed.
void shift_files(const RotatingFile &r) {
    if (r.max_files == 0) {
        unlink(r.path);
        return;
    }
    constexpr size_t cap = PATH_MAX + kSuffixRoom;
    char from[cap];
    char to[cap];
    for (unsigned n = r.max_files; n > 1; --n) {
        numbered(from, cap, r.path, n - 1);
        numbered(to, cap, r.path, n);
        rename(from, to);
    }
    numbered(to, cap, r.path, 1);
    rename(r.path, to);
}

bool needs_rotation(const RotatingFile &r, const struct stat &st, size_t incoming) {
    if (st.st_size == 0) return false;  // a line longer than the limit gets a file of its own
    const auto size = static_cast<uint64_t>(st.st_size);
    if (r.max_bytes != 0 && size + incoming > r.max_bytes) return true;
    if (r.every == TEVRA_ROTATE_NONE) return false;
    return period_of(st.st_mtime, r.every) != period_of(time(nullptr), r.every);
}

int open_current(RotatingFile *r) {
    const int fd = open_log_file(r->path, false, r->mode_bits);
    if (fd < 0) return errno_or_unknown();
    if (r->fd >= 0) close(r->fd);
    r->fd = fd;
    return 0;
}

// Locks the file the path names now, reopening as long as another process
// rotates under us. Returns with the lock held, or an error without it.
int lock_current(RotatingFile *r) {
    for (;;) {
        while (flock(r->fd, LOCK_EX) != 0) {
            if (errno != EINTR) return errno_or_unknown();
        }
        struct stat mine{};
        struct stat named{};
        if (fstat(r->fd, &mine) == 0 && stat(r->path, &named) == 0 && mine.st_dev == named.st_dev &&
            mine.st_ino == named.st_ino) {
            return 0;
        }
        flock(r->fd, LOCK_UN);
        if (const int rc = open_current(r); rc != 0) return rc;
    }
}

// `line` ends with its newline.
// After a rotation the size is judged again under the new file's lock:
// other processes may have filled the new file between our unlock and lock.
int append_line(RotatingFile *r, std::string_view line) {
    for (;;) {
        if (const int rc = lock_current(r); rc != 0) return rc;
        struct stat st{};
        if (fstat(r->fd, &st) != 0 || !needs_rotation(*r, st, line.size())) break;
        shift_files(*r);
        flock(r->fd, LOCK_UN);
        if (const int rc = open_current(r); rc != 0) return rc;
    }
    size_t written = 0;
    const int rc = write_descriptor_all(r->fd, line.data(), line.size(), &written);
    flock(r->fd, LOCK_UN);
    return rc;
}

int rotating_write(void *user, const void *data, size_t len, size_t *written) {
    auto *r = static_cast<RotatingFile *>(user);
    if (written != nullptr) *written = len;
    const auto *src = static_cast<const char *>(data);
    int first = 0;
    // The line is gathered with its newline, so it goes out in one write.
    while (len > 0) {
        const auto *nl = static_cast<const char *>(std::memchr(src, '\n', len));
        const size_t take = nl != nullptr ? static_cast<size_t>(nl - src) + 1 : len;
        int rc = 0;
        if (nl != nullptr && r->line.len == 0) {
            rc = append_line(r, std::string_view(src, take));
        } else if (!assembler_append(&r->line, src, take)) {
            rc = ENOMEM;
            r->line.len = 0;
        } else if (nl != nullptr) {
            rc = append_line(r, std::string_view(r->line.data, r->line.len));
            r->line.len = 0;
        }
        if (first == 0) first = rc;
        src += take;
        len -= take;
    }
    return first;
}

int rotating_close(void *user) {
    auto *r = static_cast<RotatingFile *>(user);
    if (r == nullptr) return 0;
    int rc = r->line.len > 0 ? append_line(r, std::string_view(r->line.data, r->line.len)) : 0;
    errno = 0;
    if (close(r->fd) != 0 && rc == 0) rc = errno_or_unknown();
    assembler_release(&r->line);
    tevra_free_internal(r);
    return rc;
}

}  // namespace

int open_rotating_output(tevra_output *out, const char *path, uint64_t max_bytes, int every,
                         unsigned max_files, unsigned mode_bits) {
    if (path == nullptr || path[0] == '\0') return EINVAL;
    if (every != TEVRA_ROTATE_NONE && every != TEVRA_ROTATE_HOURLY && every != TEVRA_ROTATE_DAILY) {
        return EINVAL;
    }
    const size_t path_len = std::strlen(path);
    if (path_len >= PATH_MAX) return ENAMETOOLONG;
    auto *r = static_cast<RotatingFile *>(tevra_calloc_internal(1, sizeof(RotatingFile) + path_len + 1));
    if (r == nullptr) return ENOMEM;
    r->fd = -1;
    r->max_bytes = max_bytes;
    r->every = every;
    r->max_files = max_files;
    r->mode_bits = mode_bits;
    r->path = reinterpret_cast<char *>(r + 1);
    std::memcpy(r->path, path, path_len + 1);
    if (const int rc = open_current(r); rc != 0) {
        tevra_free_internal(r);
        return rc;
    }
    *out = tevra_output{&rotating_write, &rotating_close, nullptr, r, 1};
    return 0;
}

}  // namespace tev

extern "C" int tevra_output_init_rotating(tevra_output *out, const char *path, uint64_t max_bytes,
                                          int every, unsigned max_files, unsigned mode_bits) {
    return out != nullptr ? tev::open_rotating_output(out, path, max_bytes, every, max_files, mode_bits)
                          : EINVAL;
}

// SPDX-License-Identifier: MIT
// Line reading for tevra-pretty. A partial line stays buffered until its
// line feed arrives, so a writer caught in the middle of a line is never
// shown half a line.
#include "pretty/input.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace tevra_pretty {
namespace {

// How often a followed file is checked for growth.
constexpr long kPollNanoseconds = 100L * 1000 * 1000;

class LineBuffer {
  public:
    // Reads what the descriptor has now; returns the byte count, 0 at end of
    // file, or -1 with errno set.
    ssize_t fill(int fd) {
        char chunk[65536];
        ssize_t n;
        do {
            n = ::read(fd, chunk, sizeof chunk);
        } while (n < 0 && errno == EINTR);
        if (n > 0) data_.append(chunk, static_cast<size_t>(n));
        return n;
    }

    // Hands on every complete line held.
    void drain(const LineFn &fn) {
        size_t start = 0;
        for (size_t nl; (nl = data_.find('\n', start)) != std::string::npos; start = nl + 1) {
            fn(std::string_view(data_).substr(start, nl - start), true);
        }
        data_.erase(0, start);
    }

    // Hands on a last line without a line feed.
    void finish(const LineFn &fn) {
        if (!data_.empty()) fn(data_, false);
        data_.clear();
    }

    void clear() { data_.clear(); }

  private:
    std::string data_;
};

void pause() {
    timespec ts{0, kPollNanoseconds};
    nanosleep(&ts, nullptr);
}

bool same_file(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

int read_lines(int fd, const LineFn &fn) {
    LineBuffer buf;
    for (;;) {
        const ssize_t n = buf.fill(fd);
        if (n < 0) return errno;
        if (n == 0) break;
        buf.drain(fn);
    }
    buf.finish(fn);
    return 0;
}

int follow_file(const char *path, const LineFn &fn) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    LineBuffer buf;
    for (;;) {
        ssize_t n;
        while ((n = buf.fill(fd)) > 0) buf.drain(fn);
        pause();
        struct stat open_st, path_st;
        if (fstat(fd, &open_st) != 0) continue;
        const off_t pos = lseek(fd, 0, SEEK_CUR);
        if (open_st.st_size < pos) {
            // Truncated in place: start again from its beginning.
            lseek(fd, 0, SEEK_SET);
            buf.clear();
            continue;
        }
        if (::stat(path, &path_st) == 0 && !same_file(open_st, path_st)) {
            // Replaced: finish the old file, then read the new one from its start.
            while ((n = buf.fill(fd)) > 0) buf.drain(fn);
            buf.finish(fn);
            const int next = ::open(path, O_RDONLY | O_CLOEXEC);
            if (next >= 0) {
                ::close(fd);
                fd = next;
            }
        }
    }
}

}  // namespace tevra_pretty

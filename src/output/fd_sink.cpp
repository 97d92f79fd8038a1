// SPDX-License-Identifier: MIT
// The file-descriptor sink and the constructor that opens one by path. The
// context is a heap cell holding the descriptor; the sink owns both and
// its close releases them together.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "output/descriptor_io.hpp"
#include "output/output.hpp"
#include "output/path_file.hpp"
#include "tevra.h"

namespace tev {

int fd_write(void *user_data, const void *data, size_t len, size_t *written) {
    const int *cell = static_cast<const int *>(user_data);
    if (cell == nullptr || *cell < 0 || (data == nullptr && len != 0)) {
        if (written != nullptr) *written = 0;
        return -1;
    }
    size_t ignored = 0;
    return write_descriptor(*cell, data, len, written != nullptr ? written : &ignored);
}

}  // namespace tev

extern "C" {

int tevra_output_init_file(tevra_output *out, const char *path, const char *mode) {
    if (out == nullptr || path == nullptr) return -1;
    // 'w' anywhere in the mode truncates; every other mode (and none)
    // appends, so a log file is never cut by accident.
    const bool truncate = mode != nullptr && std::strchr(mode, 'w') != nullptr;
    return tev::open_path_file(out, path, truncate, 0666);
}

int tevra_fd_write(void *user_data, const void *data, size_t len, size_t *written) {
    return tev::fd_write(user_data, data, len, written);
}

int tevra_fd_close(void *user_data) {
    int *cell = static_cast<int *>(user_data);
    if (cell == nullptr) return 0;
    int result = 0;
    if (*cell >= 0) {
        errno = 0;
        // Not retried on EINTR: Linux has released the descriptor already,
        // and a second close could hit one another thread just opened.
        if (close(*cell) != 0) result = tev::errno_or_unknown();
    }
    tevra_free_internal(cell);
    return result;
}

int tevra_fd_isatty(void *user_data) {
    const int *cell = static_cast<const int *>(user_data);
    if (cell == nullptr || *cell < 0) return 0;
    return isatty(*cell) != 0 ? 1 : 0;
}

}  // extern "C"

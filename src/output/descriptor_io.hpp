// SPDX-License-Identifier: MIT
// Writing to a descriptor the way a logger needs it: interrupted calls are
// repeated and a non-blocking descriptor is waited on until it takes bytes,
// so both kinds behave as a blocking descriptor would.
#pragma once

#include <cerrno>
#include <cstddef>

namespace tev {

// Opens a log file for appending, never inherited by programs the
// application runs: created with `mode_bits` before the umask, truncated
// first when `truncate` is set. The descriptor, or -1 with errno set.
[[nodiscard]] int open_log_file(const char *path, bool truncate, unsigned mode_bits);

// The errno value a failed system call left, or -1 when it left none.
inline int errno_or_unknown() { return errno != 0 ? errno : -1; }

// Blocks until the descriptor can take bytes (or is hung up or in error,
// which the next write reports). Returns 0 or the errno value of poll.
[[nodiscard]] int wait_writable(int fd);

// One write call as far as the caller can tell: retried on EINTR, and on
// EAGAIN/EWOULDBLOCK once poll reports the descriptor writable. Stores the
// count accepted (0 on failure); returns 0, the errno value, or -1.
[[nodiscard]] int write_descriptor(int fd, const void *data, size_t len, size_t *written);

// Writes all `len` bytes, completing short writes. Stores the count that
// reached the descriptor; returns 0, the errno value, -1, or 5 (EIO) for a
// descriptor that took no bytes without an error.
[[nodiscard]] int write_descriptor_all(int fd, const void *data, size_t len, size_t *written);

}  // namespace tev

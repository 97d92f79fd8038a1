// SPDX-License-Identifier: MIT
// Lines from a file descriptor, and following a file as it grows.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tevra_pretty {

// Called with each line (without its line feed) and whether it had one.
using LineFn = std::function<void(std::string_view, bool)>;

// Reads `fd` to its end, calling `fn` for every line; a last line without
// a line feed is handed on too. Returns 0, or the errno value of a failed
// read.
int read_lines(int fd, const LineFn &fn);

// Reads the file at `path` and keeps reading what is appended to it, also
// after it is truncated or replaced by a new file of the same name (log
// rotation). Returns only when the file cannot be opened at first (its
// errno value).
int follow_file(const char *path, const LineFn &fn);

}  // namespace tevra_pretty

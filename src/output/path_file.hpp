// SPDX-License-Identifier: MIT
// File outputs opened by path that follow the path: when it no longer
// names the open file (renamed, removed or replaced, as log rotation does)
// the next line reopens it, looking at most about once a second.
#pragma once

#include "tevra.h"

namespace tev {

// Opens `path` for appending (truncated first when `truncate` is set),
// creating it with `mode_bits` before the umask. 0, the errno value of a
// failed open, or -1 when memory runs out; `out` is untouched on failure.
int open_path_file(tevra_output *out, const char *path, bool truncate, unsigned mode_bits);

// Reopens every path-following file in `out`, through tees and observed
// outputs, now. 0 or the first error. The caller holds the tree's write lock.
int reopen_path_files(const tevra_output *out);

}  // namespace tev

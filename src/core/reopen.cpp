// SPDX-License-Identifier: MIT
// tevra_reopen: every file of a logger tree's output opened again by its
// path now, for programs that reopen their logs on SIGHUP. It runs under
// the tree's write lock, so it lands between two lines.
#include <cerrno>

#include "core/lock.hpp"
#include "output/path_file.hpp"

extern "C" int tevra_reopen(tevra_logger *log) {
    if (log == nullptr || log->state == nullptr || log->state->shared == nullptr) return EINVAL;
    tevra_shared *shared = log->state->shared;
    // Refused on a thread that is writing a line of this tree already (a
    // sink or a failure callback calling back in).
    tev::MutexLock lock(shared, &shared->write_lock);
    if (!lock.held()) return EDEADLK;
    if (tev::closed_flag(shared) != 0) return 0;
    return tev::reopen_path_files(&shared->output);
}

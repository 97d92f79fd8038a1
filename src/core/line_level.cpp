// SPDX-License-Identifier: MIT
// Storage for the level of the line being written by this thread.
#include "core/line_level.hpp"

namespace tev {
namespace {

// Constant-initialised, so no guard and no C++ runtime: a plain TLS slot.
thread_local int current_line_level = TEVRA_LEVEL_DISABLED;

}  // namespace

int line_level() { return current_line_level; }

int exchange_line_level(int level) {
    const int previous = current_line_level;
    current_line_level = level;
    return previous;
}

}  // namespace tev

extern "C" int tevra_line_level(void) { return tev::line_level(); }

// SPDX-License-Identifier: MIT
// The level filter, inline so that a filtered call costs a few loads and
// compares inside the entry point: a closed tree writes nothing, a disabled
// logger nothing, a logger at nolevel filters as info.
#pragma once

#include "core/shared.hpp"

namespace tev {

inline bool passes_level_filter(const tevra_logger_state *state, int level) {
    if (state == nullptr || state->shared == nullptr || closed_flag(state->shared)) return false;
    int minimum = state->level;
    if (minimum == TEVRA_LEVEL_DISABLED) return false;
    if (minimum == TEVRA_LEVEL_NOLEVEL) minimum = TEVRA_LEVEL_INFO;
    return level >= minimum;
}

}  // namespace tev

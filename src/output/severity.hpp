// SPDX-License-Identifier: MIT
// The syslog severity of the line a sink is writing, shared by the syslog
// and journal sinks.
#pragma once

#include "core/line_level.hpp"

namespace tev {

// Indexed by level + 1: trace, debug, info, warn, error, fatal, panic, nolevel.
constexpr int kSeverityByLevel[8] = {7, 7, 6, 4, 3, 2, 0, 6};

// Writes outside a logged line (an application calling the sink itself)
// count as info.
inline int current_severity() {
    const int level = line_level();
    return kSeverityByLevel[line_level_of(level == TEVRA_LEVEL_DISABLED ? TEVRA_LEVEL_INFO : level) + 1];
}

}  // namespace tev

// SPDX-License-Identifier: MIT
// Where a level sits in the tables indexed by level (literals, fragments,
// colours).
#pragma once

namespace tev {

// level + 1 when that lies in 0..7, otherwise the slot of info, so unknown
// codes render as info.
constexpr int kLevelSlots = 8;
constexpr int level_index(int level) {
    return (level >= -1 && level <= 6) ? level + 1 : 2;
}

}  // namespace tev

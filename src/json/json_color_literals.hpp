// SPDX-License-Identifier: MIT
// The coloured JSON encoder's built-in members, rendered once in the
// logger's palette when the root logger is created (json_color_literals.cpp)
// and kept in the shared record. A length of 0 means "did not fit": the
// member is then rendered on the fly.
#pragma once

#include <cstddef>

#include "core/level_slots.hpp"

namespace tev {

struct JsonColorLiterals {
    size_t level_member_lens[kLevelSlots];
    char level_members[kLevelSlots][128];
    size_t loglevel_member_lens[kLevelSlots];
    char loglevel_members[kLevelSlots][128];
    size_t message_open_len;
    char message_open[128];
    size_t time_open_len;
    char time_open[128];
    size_t time_close_len;
    char time_close[128];
};

}  // namespace tev

// SPDX-License-Identifier: MIT
// Everything the library writes or reads for a level, in one table indexed
// by level_index(): its name, console label, colour slot, JSON level members
// and the further spellings configuration from the environment accepts.
#pragma once

#include <array>
#include <string_view>

#include "core/color_slots.hpp"
#include "core/level_slots.hpp"
#include "tevra.h"

namespace tev {

struct LevelRow {
    int level;
    std::string_view name;            // tevra_level_string, JSON and "loglevel" values
    std::string_view label;           // console lines; three bytes each
    ColorSlot color;                  // the label's and the JSON level value's colour
    std::string_view short_member;    // "lvl":"<name>"
    std::string_view verbose_member;  // "level":"<name>"
    std::array<std::string_view, 2> also;  // more spellings the environment accepts; "" for none
};

// trace .. nolevel, one line each. The preprocessor pastes the JSON members
// from the name, so each name is written once.
#define TEVRA_LEVEL_ROWS(ROW)                                              \
    ROW(TEVRA_LEVEL_TRACE, "trace", "TRC", kTraceColor, "", "")            \
    ROW(TEVRA_LEVEL_DEBUG, "debug", "DBG", kDebugColor, "", "")            \
    ROW(TEVRA_LEVEL_INFO, "info", "INF", kInfoColor, "", "")               \
    ROW(TEVRA_LEVEL_WARN, "warn", "WRN", kWarnColor, "warning", "")        \
    ROW(TEVRA_LEVEL_ERROR, "error", "ERR", kErrorColor, "", "")            \
    ROW(TEVRA_LEVEL_FATAL, "fatal", "FTL", kFatalColor, "", "")            \
    ROW(TEVRA_LEVEL_PANIC, "panic", "PNC", kPanicColor, "", "")            \
    ROW(TEVRA_LEVEL_NOLEVEL, "nolevel", "---", kNolevelColor, "no", "none")

#define TEVRA_LEVEL_ROW(level, name, label, color, also1, also2)                           \
    LevelRow{level, name, label, color, "\"lvl\":\"" name "\"", "\"level\":\"" name "\"", \
             {also1, also2}},

inline constexpr std::array<LevelRow, kLevelSlots> kLevelRows = {TEVRA_LEVEL_ROWS(TEVRA_LEVEL_ROW)};

#undef TEVRA_LEVEL_ROW
#undef TEVRA_LEVEL_ROWS

// Logging switched off has a name and spellings of its own; everything it
// shows is info's, as for every code outside trace .. nolevel.
inline constexpr const LevelRow &kInfoRow = kLevelRows[level_index(TEVRA_LEVEL_INFO)];
inline constexpr LevelRow kDisabledRow = {TEVRA_LEVEL_DISABLED, "disabled",
                                          kInfoRow.label,       kInfoRow.color,
                                          kInfoRow.short_member, kInfoRow.verbose_member,
                                          {"off", ""}};

// The row a level code is written with; unknown codes take info's.
constexpr const LevelRow &level_row(int level) {
    return level == TEVRA_LEVEL_DISABLED ? kDisabledRow : kLevelRows[level_index(level)];
}

// True when `word` (already trimmed and lower-cased) is one of the row's
// spellings. An empty word matches nothing.
constexpr bool spells(const LevelRow &row, std::string_view word) {
    if (word.empty()) return false;
    if (word == row.name) return true;
    for (std::string_view other : row.also) {
        if (other == word) return true;
    }
    return false;
}

namespace detail {

// Each row at its level's index with its level's colour slot, every label
// three bytes (the console layout and its fragment sizes count on it), and
// no spelling in two rows.
constexpr bool level_rows_agree() {
    for (int i = 0; i < kLevelSlots; ++i) {
        const LevelRow &row = kLevelRows[i];
        if (row.level != i - 1 || level_index(row.level) != i) return false;
        if (row.color != kTraceColor + i || row.label.size() != 3) return false;
        for (int j = 0; j < kLevelSlots; ++j) {
            if (j == i) continue;
            if (spells(kLevelRows[j], row.name)) return false;
            for (std::string_view other : row.also) {
                if (spells(kLevelRows[j], other)) return false;
            }
        }
        if (spells(row, kDisabledRow.name) || spells(row, kDisabledRow.also[0])) return false;
    }
    return kNolevelColor - kTraceColor + 1 == kLevelSlots;
}

}  // namespace detail

static_assert(detail::level_rows_agree(), "one row per level, in level order, spellings unique");
static_assert(level_row(TEVRA_LEVEL_DISABLED).name == "disabled");
static_assert(level_row(7).name == "info" && level_row(-2).label == "INF");
static_assert(level_row(TEVRA_LEVEL_DISABLED).color == kInfoColor);

}  // namespace tev

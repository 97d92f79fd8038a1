// SPDX-License-Identifier: MIT
// The constant text of every JSON line: the complete level members for short
// and verbose keys, from the level table, and the key fragments of the
// built-in members. All of it is constexpr and checked at compile time.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/level_table.hpp"
#include "core/shared.hpp"

namespace tev::json {

// The keys the encoder writes itself, each with its colon. "loglevel" has
// one spelling only.
struct KeyFragments {
    std::string_view time;
    std::string_view level;
    std::string_view message;
};
inline constexpr KeyFragments kShortKeys{R"("ts":)", R"("lvl":)", R"("msg":)"};
inline constexpr KeyFragments kVerboseKeys{R"("time":)", R"("level":)", R"("message":)"};
inline constexpr std::string_view kLoglevelKey = R"("loglevel":)";

static_assert(kShortKeys.time.size() == 5 && kVerboseKeys.time.size() == 7);
static_assert(kShortKeys.level.size() == 6 && kVerboseKeys.level.size() == 8);
static_assert(kShortKeys.message.size() == 6 && kVerboseKeys.message.size() == 10);
static_assert(kLoglevelKey.size() == 11);

constexpr const KeyFragments &key_fragments(bool verbose) {
    return verbose ? kVerboseKeys : kShortKeys;
}

constexpr std::string_view level_member(int level, bool verbose) {
    const LevelRow &row = level_row(level);
    return verbose ? row.verbose_member : row.short_member;
}

namespace detail {

// True when `member` is exactly key, quote, name, quote.
constexpr bool is_member(std::string_view member, std::string_view key, std::string_view name) {
    if (member.size() != key.size() + name.size() + 2) return false;
    if (!member.starts_with(key)) return false;
    if (member[key.size()] != '"' || member[member.size() - 1] != '"') return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (member[key.size() + 1 + i] != name[i]) return false;
    }
    return true;
}

// The level table spells its members with the same keys as these fragments.
constexpr bool tables_agree() {
    for (const LevelRow &row : kLevelRows) {
        if (!is_member(row.short_member, kShortKeys.level, row.name)) return false;
        if (!is_member(row.verbose_member, kVerboseKeys.level, row.name)) return false;
    }
    return true;
}

}  // namespace detail

static_assert(detail::tables_agree(), "level members must be the level key and the quoted name");
static_assert(level_member(TEVRA_LEVEL_INFO, false).size() == 12);
static_assert(level_member(TEVRA_LEVEL_NOLEVEL, true).size() == 17);
static_assert(level_member(127, false) == R"("lvl":"info")");
static_assert(level_member(6, true) == R"("level":"nolevel")");

}  // namespace tev::json

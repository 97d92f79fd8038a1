// SPDX-License-Identifier: MIT
// The fixed text of every JSON line: the complete level members for short
// and verbose keys, indexed by level_index(), and the key fragments of the
// built-in members. All of it is constexpr and checked at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "core/shared.hpp"

namespace tev::json {

// Level names in index order (trace .. nolevel); each level member below is
// derived from them as the level key, a quote, the name and a quote.
inline constexpr std::array<std::string_view, kLevelSlots> kLevelNames = {
    "trace", "debug", "info", "warn", "error", "fatal", "panic", "nolevel",
};

inline constexpr std::array<std::string_view, kLevelSlots> kShortLevelMembers = {
    R"("lvl":"trace")", R"("lvl":"debug")", R"("lvl":"info")",  R"("lvl":"warn")",
    R"("lvl":"error")", R"("lvl":"fatal")", R"("lvl":"panic")", R"("lvl":"nolevel")",
};
inline constexpr std::array<size_t, kLevelSlots> kShortLevelLengths = {13, 13, 12, 12, 13, 13, 13, 15};

inline constexpr std::array<std::string_view, kLevelSlots> kVerboseLevelMembers = {
    R"("level":"trace")", R"("level":"debug")", R"("level":"info")",  R"("level":"warn")",
    R"("level":"error")", R"("level":"fatal")", R"("level":"panic")", R"("level":"nolevel")",
};
inline constexpr std::array<size_t, kLevelSlots> kVerboseLevelLengths = {15, 15, 14, 14,
                                                                         15, 15, 15, 17};

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
    const int i = level_index(level);
    return verbose ? kVerboseLevelMembers[i] : kShortLevelMembers[i];
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

constexpr bool tables_agree() {
    for (int i = 0; i < kLevelSlots; ++i) {
        if (kShortLevelMembers[i].size() != kShortLevelLengths[i]) return false;
        if (kVerboseLevelMembers[i].size() != kVerboseLevelLengths[i]) return false;
        if (!is_member(kShortLevelMembers[i], kShortKeys.level, kLevelNames[i])) return false;
        if (!is_member(kVerboseLevelMembers[i], kVerboseKeys.level, kLevelNames[i])) return false;
    }
    return true;
}

}  // namespace detail

static_assert(detail::tables_agree(), "level members must be key, quoted name, with known lengths");
static_assert(level_member(127, false) == R"("lvl":"info")");
static_assert(level_member(6, true) == R"("level":"nolevel")");

}  // namespace tev::json

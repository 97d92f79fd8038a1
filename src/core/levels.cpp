// SPDX-License-Identifier: MIT
// Level names and their lengths, from one table indexed by level + 1.
#include <string_view>

#include "core/core.hpp"
#include "core/shared.hpp"

namespace tev {
namespace {

// trace .. nolevel in index order; "disabled" is the one name outside it.
constexpr std::string_view kLevelNames[kLevelSlots] = {
    "trace", "debug", "info", "warn", "error", "fatal", "panic", "nolevel",
};
static_assert(sizeof(kLevelNames) / sizeof(kLevelNames[0]) == kLevelSlots);
constexpr std::string_view kDisabledName = "disabled";

constexpr std::string_view name_of(int level) {
    if (level == TEVRA_LEVEL_DISABLED) return kDisabledName;
    return kLevelNames[level_index(level)];
}

static_assert(name_of(127) == "disabled");
static_assert(name_of(7) == "info" && name_of(-2) == "info");

}  // namespace

std::string_view level_name(int level) { return name_of(level); }
}  // namespace tev

extern "C" {

const char *tevra_level_string(int level) { return tev::level_name(level).data(); }

size_t tevra_level_string_len(int level) { return tev::level_name(level).size(); }

}  // extern "C"

// SPDX-License-Identifier: MIT
// Level names and their lengths, from the level table, and the exported
// level filter (the entry points inline it from level_filter.hpp).
#include <string_view>

#include "core/core.hpp"
#include "core/level_filter.hpp"
#include "core/level_table.hpp"

namespace tev {
namespace {

constexpr std::string_view name_of(int level) { return level_row(level).name; }

static_assert(name_of(127) == "disabled");
static_assert(name_of(7) == "info" && name_of(-2) == "info");

}  // namespace

std::string_view level_name(int level) { return name_of(level); }

int should_log(const tevra_logger_state *state, int level) {
    return passes_level_filter(state, level) ? 1 : 0;
}

}  // namespace tev

extern "C" {

const char *tevra_level_string(int level) { return tev::level_name(level).data(); }

size_t tevra_level_string_len(int level) { return tev::level_name(level).size(); }

int tevra_should_log(const tevra_logger_state *state, int level) {
    return tev::should_log(state, level);
}

}  // extern "C"

// SPDX-License-Identifier: MIT
// Slices of a string_view that never throw: substr checks its position and
// would pull in the C++ runtime, which the library does without. Callers
// pass positions inside the view.
#pragma once

#include <cstddef>
#include <string_view>

namespace tev {

constexpr std::string_view slice(std::string_view v, size_t from, size_t n = std::string_view::npos) {
    if (from > v.size()) from = v.size();
    const size_t left = v.size() - from;
    return std::string_view(v.data() + from, n < left ? n : left);
}

}  // namespace tev

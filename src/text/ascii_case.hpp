// SPDX-License-Identifier: MIT
// Case folding for the library's keywords (level names, modes, booleans,
// output keywords, palette names) by a fixed ASCII rule. The locale's
// tolower() is never used for them: under tr_TR 'I' does not fold to 'i'.
#pragma once

#include <cstddef>
#include <string_view>

namespace tev {

// 'A'-'Z' become 'a'-'z'; every other byte, non-ASCII included, is kept.
constexpr char ascii_lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool equals_ascii_fold(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    }
    return true;
}

static_assert(ascii_lower('I') == 'i' && ascii_lower('Z') == 'z' && ascii_lower('[') == '[');
static_assert(ascii_lower(static_cast<char>(0xC4)) == static_cast<char>(0xC4));
static_assert(equals_ascii_fold("WARNING", "warning") && !equals_ascii_fold("warn", "warning"));

}  // namespace tev

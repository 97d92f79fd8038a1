// SPDX-License-Identifier: MIT
// The table of two-digit decimal pairs the integer and double writers share:
// "00" "01" ... "99", the two digits of v at 2 * v.
#pragma once

#include <array>

namespace tev {

constexpr std::array<char, 200> make_digit_pairs() {
    std::array<char, 200> pairs{};
    for (int v = 0; v < 100; ++v) {
        pairs[2 * v] = static_cast<char>('0' + v / 10);
        pairs[2 * v + 1] = static_cast<char>('0' + v % 10);
    }
    return pairs;
}
inline constexpr std::array<char, 200> digit_pairs = make_digit_pairs();
static_assert(digit_pairs.size() == 200, "one pair for each value 0..99");
static_assert(digit_pairs[0] == '0' && digit_pairs[85] == '2' && digit_pairs[199] == '9');

}  // namespace tev

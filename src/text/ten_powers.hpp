// SPDX-License-Identifier: MIT
// Powers of ten as 128-bit binary mantissas, 10^q = (hi:lo) * 2^(e - 127)
// truncated, for every power the double formatter scales by; built at
// compile time from exact big integers, so no table is typed in by hand.
#pragma once

#include <cstdint>

#include "text/big_uint.hpp"

namespace tev {

// floor(q * log2(10)) and floor(e * log10(2)) by fixed-point multiplication;
// both are checked exactly over the whole range they are used in.
constexpr int floor_log2_pow10(int q) { return (q * 1741647) >> 19; }
constexpr int floor_log10_pow2(int e) { return (e * 78913) >> 18; }

// A double lies in [2^e, 2^(e+1)) with e from -1074 (the smallest
// subnormal) to 1023; the formatter scales it by 10^(16 - floor(e log10 2)).
constexpr int kMinBinaryExponent = -1074;
constexpr int kMaxBinaryExponent = 1023;
constexpr int kMinTenPower = 16 - floor_log10_pow2(kMaxBinaryExponent);
constexpr int kMaxTenPower = 16 - floor_log10_pow2(kMinBinaryExponent);
constexpr int kTenPowerCount = kMaxTenPower - kMinTenPower + 1;

struct Mantissa128 {
    uint64_t hi;  // top bit always set
    uint64_t lo;
};

struct TenPowerTable {
    Mantissa128 m[kTenPowerCount];
};

constexpr Mantissa128 top_128_bits(const BigUint &v) {
    const int length = v.bit_length();
    return {v.bits_at(length - 64), v.bits_at(length - 128)};
}

// Positive powers are exact products; 10^-n is floor(2^1216 / 10^n), which
// keeps more than 128 bits down to 10^-291 (about 2^-967). Dividing by ten
// n times gives the same floor as dividing by 10^n once.
constexpr int kReciprocalScale = 1216;

// Calls visit(q, v, scale) for every q in [low, high], low <= 0 <= high,
// where v * 2^-scale is 10^q, truncated for negative q.
template <typename Visit>
constexpr void for_each_ten_power(int low, int high, Visit visit) {
    BigUint power = BigUint::of(1);
    for (int q = 0; q <= high; ++q) {
        visit(q, power, 0);
        power.mul(10);
    }
    BigUint reciprocal = BigUint::power_of_two(kReciprocalScale);
    for (int q = -1; q >= low; --q) {
        reciprocal.div_small(10);
        visit(q, reciprocal, kReciprocalScale);
    }
}

constexpr TenPowerTable make_ten_powers() {
    TenPowerTable t{};
    for_each_ten_power(kMinTenPower, kMaxTenPower,
                       [&t](int q, const BigUint &v, int) { t.m[q - kMinTenPower] = top_128_bits(v); });
    return t;
}

inline constexpr TenPowerTable kTenPowers = make_ten_powers();

// Checked beyond the table, down to 10^-325, because floor_log10_pow2 below
// is checked through it for the exponents of subnormals.
constexpr bool log2_formula_is_exact() {
    bool exact = true;
    for_each_ten_power(-325, kMaxTenPower, [&exact](int q, const BigUint &v, int scale) {
        if (floor_log2_pow10(q) != v.bit_length() - 1 - scale) exact = false;
    });
    return exact;
}
static_assert(log2_formula_is_exact(), "floor_log2_pow10 is exact from 10^-325 to the largest power used");
static_assert(kTenPowers.m[0 - kMinTenPower].hi == uint64_t{1} << 63 && kTenPowers.m[0 - kMinTenPower].lo == 0,
              "10^0 is 2^127 * 2^-127");
static_assert(kTenPowers.m[1 - kMinTenPower].hi == uint64_t{10} << 60, "10^1 is 0b1010 followed by zeros");
// 10^-1 = 0.1100110011...b * 2^-3: the mantissa repeats 0xCCCC and is truncated.
static_assert(kTenPowers.m[-1 - kMinTenPower].hi == 0xccccccccccccccccu &&
              kTenPowers.m[-1 - kMinTenPower].lo == 0xccccccccccccccccu);

// 10^q <= 2^e exactly when floor(q log2 10) < e, as 10^q is no power of
// two unless q is 0; so floor_log10_pow2 can be checked against the other.
constexpr bool ten_power_at_most(int q, int e) { return q == 0 ? e >= 0 : floor_log2_pow10(q) < e; }

constexpr bool log10_formula_is_exact() {
    for (int e = kMinBinaryExponent; e <= kMaxBinaryExponent; ++e) {
        const int k = floor_log10_pow2(e);
        if (!ten_power_at_most(k, e) || ten_power_at_most(k + 1, e)) return false;
    }
    return true;
}
static_assert(log10_formula_is_exact(), "floor_log10_pow2 is exact for every double's exponent");

}  // namespace tev

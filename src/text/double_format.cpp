// SPDX-License-Identifier: MIT
// "%.17g" without printf: the double is scaled by a 128-bit power of ten to
// an integer part of 17 or 18 digits plus a fraction, rounded, and laid out
// as %g does. Scaling errs by less than two units in the last of 64
// fraction bits, so only values within that distance of a rounding tie are
// settled by an exact big-integer comparison.
#include "text/double_format.hpp"

#include <cstdint>
#include <cstring>

#include "text/big_uint.hpp"
#include "text/digit_pairs.hpp"
#include "text/ten_powers.hpp"

namespace tev {
namespace {

constexpr uint64_t kTen8 = 100000000u;
constexpr uint64_t kTen16 = 10000000000000000u;
constexpr uint64_t kTen17 = 100000000000000000u;
constexpr uint64_t kHalf = uint64_t{1} << 63;
constexpr int kDigits = 17;

// A value m * 2^e, m with its top bit set, lies in [2^(e+63), 2^(e+64));
// with k = floor((e + 63) log10 2) and q = 16 - k, x * 10^q lies in
// [10^16, 2.1 * 10^17). The 192-bit product m * 10^q-mantissa keeps its top
// 128 bits; `fraction_shift` of them lie below the point.
constexpr int ten_power_for(int e2) { return 16 - floor_log10_pow2(e2); }
constexpr int fraction_shift(int e2) { return 126 - e2 - floor_log2_pow10(ten_power_for(e2)); }

// With 66 or more fraction bits in the top 128, the two truncations (of the
// power and of the product's low word) cost less than 2^-65 of a unit, and
// cutting the fraction to 64 bits less than 2^-64: the true value lies in
// [whole + frac / 2^64, that + 1.5 / 2^64).
constexpr bool shifts_in_range() {
    for (int e2 = kMinBinaryExponent; e2 <= kMaxBinaryExponent; ++e2) {
        if (fraction_shift(e2) < 66 || fraction_shift(e2) > 74) return false;
    }
    return true;
}
static_assert(shifts_in_range(), "every double keeps 66 to 74 fraction bits in the top 128 of its product");

// The exact comparison below forms m * 5^q * 2^twos or c * 5^-q * 2^-twos
// with m < 2^64, c < 2^59; both must fit a BigUint for every double.
constexpr int pow5_bits(int n) { return n <= 0 ? 0 : floor_log2_pow10(n) - n + 1; }
constexpr bool exact_comparison_fits() {
    for (int e2 = kMinBinaryExponent; e2 <= kMaxBinaryExponent; ++e2) {
        for (int q : {ten_power_for(e2), ten_power_for(e2) - 1}) {
            const int twos = e2 - 63 + 1 + q;
            const int left = 64 + pow5_bits(q) + (twos > 0 ? twos : 0);
            const int right = 59 + pow5_bits(-q) + (twos < 0 ? -twos : 0);
            if (left >= BigUint::kBits || right >= BigUint::kBits) return false;
        }
    }
    return true;
}
static_assert(exact_comparison_fits(), "the exact tie check never overflows its big integers");

// Sign of m * 2^e * 10^q - c / 2, exactly. Called only for values within
// 2^-63 of a rounding tie, about one double in 2^62 and the true ties.
int compare_with_half(uint64_t m, int e, int q, uint64_t c) {
    BigUint left = BigUint::of(m);
    BigUint right = BigUint::of(c);
    // 2 * 2^e * 10^q = 5^q * 2^(e + 1 + q)
    const int twos = e + 1 + q;
    if (q >= 0) {
        left.mul_pow5(q);
    } else {
        right.mul_pow5(-q);
    }
    if (twos >= 0) {
        left.shl(twos);
    } else {
        right.shl(-twos);
    }
    return compare(left, right);
}

// Rounding of `whole` + fraction to nearest, ties to even, where `side` is
// the sign of the fraction minus one half.
uint64_t round_half_even(uint64_t whole, int side) { return whole + (side > 0 || (side == 0 && (whole & 1))); }

struct Decimal17 {
    uint64_t digits;  // 17 digits: [10^16, 10^17)
    int exponent;     // decimal exponent of the first digit
};

// x = m * 2^e with m's top bit set, to 17 significant digits.
Decimal17 to_decimal17(uint64_t m, int e) {
    const int e2 = e + 63;
    const int k = floor_log10_pow2(e2);
    const int q = 16 - k;
    const Mantissa128 power = kTenPowers.m[q - kMinTenPower];
    const U128 top = static_cast<U128>(m) * power.hi + ((static_cast<U128>(m) * power.lo) >> 64);
    const int shift = fraction_shift(e2);
    const uint64_t whole = static_cast<uint64_t>(top >> shift);
    const uint64_t frac = static_cast<uint64_t>((top << (128 - shift)) >> 64);

    if (whole < kTen17) {
        // Below kHalf - 1 the value stays under one half even with the
        // 1.5-unit error; above kHalf it is over. Between, compute.
        int side = frac > kHalf ? 1 : -1;
        if (frac == kHalf || frac == kHalf - 1) side = compare_with_half(m, e, q, 2 * whole + 1);
        const uint64_t d = round_half_even(whole, side);
        // 99999999999999999.5 and up round to 10^17: one more digit.
        if (d == kTen17) return {kTen16, k + 1};
        return {d, k};
    }
    // 18 digits before the point: round at the tens, comparing the last
    // digit and the fraction with 5.
    const uint64_t tens = whole / 10;
    const uint64_t last = whole % 10;
    int side = last >= 5 ? 1 : -1;
    if ((last == 5 && frac == 0) || (last == 4 && frac == UINT64_MAX)) {
        side = compare_with_half(m, e, q - 1, 2 * tens + 1);
    }
    return {round_half_even(tens, side), k + 1};
}

void write_pair(char *p, uint32_t v) { std::memcpy(p, &digit_pairs[2 * v], 2); }

void write_8_digits(char *p, uint32_t v) {
    const uint32_t high = v / 10000;
    const uint32_t low = v % 10000;
    write_pair(p, high / 100);
    write_pair(p + 2, high % 100);
    write_pair(p + 4, low / 100);
    write_pair(p + 6, low % 100);
}

}  // namespace

size_t format_double_g17(double x, char *out) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    char *p = out;
    if (bits >> 63) *p++ = '-';
    const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    if (biased == 0 && fraction == 0) {
        *p++ = '0';
        return static_cast<size_t>(p - out);
    }
    // Subnormals have no hidden bit; both kinds are normalised to a 64-bit m.
    uint64_t m = biased == 0 ? fraction : fraction | (uint64_t{1} << 52);
    int e = biased == 0 ? -1074 : biased - 1075;
    const int lead = __builtin_clzll(m);
    m <<= lead;
    e -= lead;

    const Decimal17 dec = to_decimal17(m, e);
    // The 17 digits, then zeros that the fixed-size copies below may read.
    char digits[kDigits + 16];
    const uint64_t upper = dec.digits / kTen8;
    const uint32_t lower = static_cast<uint32_t>(dec.digits % kTen8);
    digits[0] = static_cast<char>('0' + upper / kTen8);
    write_8_digits(digits + 1, static_cast<uint32_t>(upper % kTen8));
    write_8_digits(digits + 9, lower);
    std::memset(digits + kDigits, '0', 16);
    int n = lower == 0 ? 9 : kDigits;  // significant digits, trailing zeros dropped
    while (digits[n - 1] == '0') --n;

    const int k = dec.exponent;
    if (k < -4 || k >= kDigits) {
        p[0] = digits[0];
        p[1] = '.';
        std::memcpy(p + 2, digits + 1, 16);
        p += n > 1 ? n + 1 : 1;
        *p++ = 'e';
        *p++ = k < 0 ? '-' : '+';
        uint32_t magnitude = static_cast<uint32_t>(k < 0 ? -k : k);
        if (magnitude >= 100) {
            *p++ = static_cast<char>('0' + magnitude / 100);
            magnitude %= 100;
        }
        write_pair(p, magnitude);
        p += 2;
    } else if (k >= 0) {
        // The integer part is the first k + 1 digits, zeros included.
        std::memcpy(p, digits, kDigits);
        p[k + 1] = '.';
        std::memcpy(p + k + 2, digits + k + 1, 16);
        p += n > k + 1 ? n + 1 : k + 1;
    } else {
        // "0." and -k - 1 zeros before the first digit.
        std::memcpy(p, "0.0000", 6);
        std::memcpy(p + 1 - k, digits, kDigits);
        p += 1 - k + n;
    }
    return static_cast<size_t>(p - out);
}

}  // namespace tev

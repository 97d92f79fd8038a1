// SPDX-License-Identifier: MIT
// A fixed-size unsigned big integer for exact decimal work on doubles: it
// builds the power-of-ten table at compile time and settles the rare
// rounding ties the double formatter cannot decide from 128 bits. No heap,
// no division wider than 64 bits, every operation usable in constexpr.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tev {

__extension__ typedef unsigned __int128 U128;

// 1280 bits: the largest value formed anywhere is below 2^1216 (the table
// generator's 2^1216, and under 2^860 in the formatter's exact comparison;
// double_format.cpp checks its bound with a static_assert).
struct BigUint {
    static constexpr size_t kWords = 20;
    static constexpr int kBits = static_cast<int>(kWords) * 64;

    uint64_t w[kWords] = {};  // least significant word first

    static constexpr BigUint of(uint64_t v) {
        BigUint b;
        b.w[0] = v;
        return b;
    }

    static constexpr BigUint power_of_two(int n) {
        BigUint b;
        b.w[n / 64] = uint64_t{1} << (n % 64);
        return b;
    }

    // Multiplies in place; the callers keep the product inside kBits.
    constexpr void mul(uint64_t v) {
        uint64_t carry = 0;
        for (size_t i = 0; i < kWords; ++i) {
            const U128 p = static_cast<U128>(w[i]) * v + carry;
            w[i] = static_cast<uint64_t>(p);
            carry = static_cast<uint64_t>(p >> 64);
        }
    }

    // Multiplies by 5^n, in steps of 5^27, the largest power of five that
    // fits 64 bits.
    constexpr void mul_pow5(int n) {
        constexpr uint64_t kFive27 = 7450580596923828125u;
        for (; n >= 27; n -= 27) mul(kFive27);
        uint64_t rest = 1;
        for (; n > 0; --n) rest *= 5;
        mul(rest);
    }

    constexpr void shl(int n) {
        const int words = n / 64;
        const int bits = n % 64;
        for (int i = static_cast<int>(kWords) - 1; i >= 0; --i) {
            uint64_t v = i - words >= 0 ? w[i - words] << bits : 0;
            if (bits != 0 && i - words - 1 >= 0) v |= w[i - words - 1] >> (64 - bits);
            w[i] = v;
        }
    }

    // Floor division by a small divisor, 32 bits at a time so that no
    // 128-bit division (a libgcc call) is ever needed.
    constexpr void div_small(uint32_t d) {
        uint64_t rem = 0;
        for (int i = static_cast<int>(kWords) - 1; i >= 0; --i) {
            const uint64_t high = (rem << 32) | (w[i] >> 32);
            rem = high % d;
            const uint64_t low = (rem << 32) | (w[i] & 0xffffffffu);
            rem = low % d;
            w[i] = ((high / d) << 32) | (low / d);
        }
    }

    constexpr int bit_length() const {
        for (int i = static_cast<int>(kWords) - 1; i >= 0; --i) {
            if (w[i] != 0) return i * 64 + 64 - __builtin_clzll(w[i]);
        }
        return 0;
    }

    // Bits [from, from + 64) as one word; bits below zero read as zeros.
    constexpr uint64_t bits_at(int from) const {
        if (from <= -64) return 0;
        if (from < 0) return w[0] << -from;
        const size_t i = static_cast<size_t>(from / 64);
        const int s = from % 64;
        uint64_t v = i < kWords ? w[i] >> s : 0;
        if (s != 0 && i + 1 < kWords) v |= w[i + 1] << (64 - s);
        return v;
    }
};

constexpr int compare(const BigUint &a, const BigUint &b) {
    for (int i = static_cast<int>(BigUint::kWords) - 1; i >= 0; --i) {
        if (a.w[i] != b.w[i]) return a.w[i] < b.w[i] ? -1 : 1;
    }
    return 0;
}

}  // namespace tev

// SPDX-License-Identifier: MIT
// Decimal text of 64-bit integers, written without printf: two digits per
// division by 100 from a table of digit pairs, right to left on the stack,
// then appended in one piece.
#include <cstdint>

#include "text/buffer_fast.hpp"
#include "text/values.hpp"
#include "text/digit_pairs.hpp"
#include "text/number_text.hpp"

namespace tev {
namespace {

// 20 digits for the largest unsigned value, one sign, and slack.
constexpr size_t kScratch = 24;

// Writes the digits of v so that they end at `end`; returns their start.
char *write_digits(uint64_t v, char *end) {
    char *p = end;
    while (v >= 100) {
        const unsigned pair = static_cast<unsigned>(v % 100) * 2;
        v /= 100;
        *--p = digit_pairs[pair + 1];
        *--p = digit_pairs[pair];
    }
    if (v < 10) {
        *--p = static_cast<char>('0' + v);
    } else {
        *--p = digit_pairs[v * 2 + 1];
        *--p = digit_pairs[v * 2];
    }
    return p;
}

}  // namespace

char *write_unsigned(char *out, uint64_t value) {
    char scratch[kScratch];
    char *end = scratch + kScratch;
    char *start = write_digits(value, end);
    const auto n = static_cast<size_t>(end - start);
    copy_bytes(out, start, n);
    return out + n;
}

char *write_signed(char *out, int64_t value) {
    // The magnitude is taken in unsigned arithmetic, so INT64_MIN is exact.
    if (value < 0) {
        *out++ = '-';
        return write_unsigned(out, 0 - static_cast<uint64_t>(value));
    }
    return write_unsigned(out, static_cast<uint64_t>(value));
}

void append_unsigned(tevra_buffer *b, uint64_t value) {
    char scratch[kScratch];
    char *end = scratch + kScratch;
    char *start = write_digits(value, end);
    put(b, start, static_cast<size_t>(end - start));
}

void append_signed(tevra_buffer *b, int64_t value) {
    // The magnitude is taken in unsigned arithmetic, so INT64_MIN is exact.
    const bool negative = value < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    char scratch[kScratch];
    char *end = scratch + kScratch;
    char *start = write_digits(magnitude, end);
    if (negative) *--start = '-';
    put(b, start, static_cast<size_t>(end - start));
}

}  // namespace tev

extern "C" {

void tevra_buffer_append_unsigned(tevra_buffer *buf, uint64_t value) {
    if (!tev::usable(buf)) return;
    tev::append_unsigned(buf, value);
}

void tevra_buffer_append_signed(tevra_buffer *buf, int64_t value) {
    if (!tev::usable(buf)) return;
    tev::append_signed(buf, value);
}

}  // extern "C"

// Doubles for comparing the library's number text with the C library's
// "%.17g": random bit patterns, random values of the sizes programs log,
// the printf text itself, and the library's text through a detached buffer.
#pragma once

#include <tevra.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace tevra_test {

inline double double_from_bits(uint64_t bits) {
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

// Every finite double is equally likely, so every binary exponent is too.
inline double random_bit_pattern(std::mt19937_64 &rng) {
    for (;;) {
        const double x = double_from_bits(rng());
        if (std::isfinite(x)) return x;
    }
}

// Ratios, prices, latencies and counters: full-precision fractions scaled
// from 1e-12 to 1e15, short decimals, large integers and small quotients.
inline double random_everyday(std::mt19937_64 &rng) {
    const uint64_t r = rng();
    double x = 0;
    switch (r % 4) {
        case 0:
            x = std::ldexp(static_cast<double>(rng() >> 11), -53) * std::pow(10.0, static_cast<int>(r / 4 % 28) - 12);
            break;
        case 1:
            x = static_cast<double>(rng() % 100000000000000000u >> (r / 4 % 57)) / std::pow(10.0, static_cast<int>(r / 256 % 7));
            break;
        case 2:
            x = static_cast<double>(rng() >> (r / 4 % 64));
            break;
        default:
            x = static_cast<double>(rng() % 10000) / static_cast<double>(rng() % 999 + 1);
            break;
    }
    return (r >> 63) ? -x : x;
}

inline std::string printf_g17(double x) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", x);
    return text;
}

// Number text through the exported append, into a buffer of its own that
// the caller reuses, so that the library's formatter does the work.
class DoubleText {
  public:
    DoubleText() { tevra_buffer_init(&b_, nullptr, 0); }
    ~DoubleText() { tevra_buffer_destroy(&b_); }
    DoubleText(const DoubleText &) = delete;
    DoubleText &operator=(const DoubleText &) = delete;

    const char *operator()(double x) {
        b_.len = 0;
        b_.data[0] = '\0';
        tevra_buffer_append_double(&b_, x);
        return b_.data;
    }

  private:
    tevra_buffer b_;
};

}  // namespace tevra_test

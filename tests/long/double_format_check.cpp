// Checks the library's number text against the C library's "%.17g" on many
// random doubles: half random bit patterns, half values of everyday sizes.
// Minutes of work at the default 10^8, so it is built with the tests but run
// by hand:  tevra_double_format_check [count] [seed]
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "support/doubles.hpp"

int main(int argc, char **argv) {
    const uint64_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100000000u;
    const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
    std::mt19937_64 rng(seed);
    tevra_test::DoubleText text;
    uint64_t mismatches = 0;
    char want[64];
    for (uint64_t i = 0; i < count; ++i) {
        const double v = (i & 1) ? tevra_test::random_everyday(rng) : tevra_test::random_bit_pattern(rng);
        std::snprintf(want, sizeof want, "%.17g", v);
        const char *got = text(v);
        if (std::strcmp(got, want) != 0 && ++mismatches <= 20) {
            std::printf("%a: %s instead of %s\n", v, got, want);
        }
        if ((i + 1) % 10000000 == 0) {
            std::printf("%" PRIu64 " checked\n", i + 1);
            std::fflush(stdout);
        }
    }
    std::printf("%" PRIu64 " doubles (seed %" PRIu64 "), %" PRIu64 " mismatches\n", count, seed, mismatches);
    return mismatches == 0 ? 0 : 1;
}

// Cost of the number text of a double the cache has not seen: the library's
// own "%.17g" against snprintf("%.17g"), both ending in the same line buffer,
// over short decimals, full-precision values and random bit patterns.
#include <benchmark/benchmark.h>
#include <tevra.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr size_t kValues = 4096;  // a power of two, cycled through

enum class Kind { ShortDecimal, FullPrecision, BitPattern };

std::vector<double> make_values(Kind kind) {
    std::mt19937_64 rng(99);
    std::vector<double> values;
    while (values.size() < kValues) {
        double v = 0;
        switch (kind) {
            case Kind::ShortDecimal:  // prices, ratios, latencies in ms: 12.5, 0.75, 199.99
                v = static_cast<double>(rng() % 100000) / 100.0;
                break;
            case Kind::FullPrecision:  // computed rates and means: all 17 digits
                v = std::ldexp(static_cast<double>(rng() >> 11), -53) * std::pow(10.0, static_cast<int>(rng() % 12) - 3);
                break;
            case Kind::BitPattern: {
                const uint64_t bits = rng();
                std::memcpy(&v, &bits, sizeof v);
                if (!std::isfinite(v)) continue;
                break;
            }
        }
        values.push_back(v);
    }
    return values;
}

// Appends each value in turn to a buffer emptied before every call. The
// buffer is detached, so it has no shared record and no cache: every call
// formats.
template <typename Append>
void run(benchmark::State &state, Kind kind, Append append) {
    const std::vector<double> values = make_values(kind);
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 0);
    size_t i = 0;
    for (auto _ : state) {
        b.len = 0;
        append(&b, values[i++ & (kValues - 1)]);
        benchmark::DoNotOptimize(b.data);
    }
    tevra_buffer_destroy(&b);
}

void library_text(benchmark::State &state, Kind kind) {
    run(state, kind, [](tevra_buffer *b, double v) { tevra_buffer_append_double(b, v); });
}

void snprintf_text(benchmark::State &state, Kind kind) {
    run(state, kind, [](tevra_buffer *b, double v) {
        char text[64];
        const int n = std::snprintf(text, sizeof text, "%.17g", v);
        tevra_buffer_append_n(b, text, static_cast<size_t>(n));
    });
}

void BM_DoubleText_ShortDecimal(benchmark::State &s) { library_text(s, Kind::ShortDecimal); }
void BM_DoubleText_FullPrecision(benchmark::State &s) { library_text(s, Kind::FullPrecision); }
void BM_DoubleText_BitPattern(benchmark::State &s) { library_text(s, Kind::BitPattern); }
void BM_SnprintfG17_ShortDecimal(benchmark::State &s) { snprintf_text(s, Kind::ShortDecimal); }
void BM_SnprintfG17_FullPrecision(benchmark::State &s) { snprintf_text(s, Kind::FullPrecision); }
void BM_SnprintfG17_BitPattern(benchmark::State &s) { snprintf_text(s, Kind::BitPattern); }

}  // namespace

BENCHMARK(BM_DoubleText_ShortDecimal);
BENCHMARK(BM_SnprintfG17_ShortDecimal);
BENCHMARK(BM_DoubleText_FullPrecision);
BENCHMARK(BM_SnprintfG17_FullPrecision);
BENCHMARK(BM_DoubleText_BitPattern);
BENCHMARK(BM_SnprintfG17_BitPattern);

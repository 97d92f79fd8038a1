// SPDX-License-Identifier: MIT
// Text of durations, which get a unit chosen by size: ns, µs, ms, s, or
// minutes and seconds. There is no hour unit.
#include <cstdint>
#include <cstdio>

#include "text/buffer_fast.hpp"
#include "text/values.hpp"

namespace tev {
namespace {

constexpr size_t kScratch = 64;
constexpr int64_t kNanosPerSecond = 1000000000;
// "µs" in UTF-8.
constexpr char micro_suffix[] = {'\xC2', '\xB5', 's'};
static_assert(sizeof micro_suffix == 3);

// Wide enough for any seconds count times 10^9 plus any nanoseconds.
__extension__ typedef __int128 Wide;
__extension__ typedef unsigned __int128 WideMagnitude;

struct Magnitude {
    bool negative;
    uint64_t sec;   // wide enough for |LONG_MIN| plus a carried second
    uint64_t nsec;  // always below one second
};

// The sign and size of sec + nsec / 1e9 as one total. Seconds and
// nanoseconds may carry different signs, and nanoseconds may lie beyond one
// second either way; both are folded into whole seconds and a nanosecond
// part below one second before the text is chosen.
Magnitude magnitude_of(tevra_duration d) {
    const Wide total = static_cast<Wide>(d.sec) * kNanosPerSecond + d.nsec;
    const WideMagnitude abs_total = total < 0 ? static_cast<WideMagnitude>(-total) : static_cast<WideMagnitude>(total);
    Magnitude m;
    m.negative = total < 0;
    m.sec = static_cast<uint64_t>(abs_total / kNanosPerSecond);
    m.nsec = static_cast<uint64_t>(abs_total % kNanosPerSecond);
    return m;
}

// Length written by snprintf, clamped to what the area holds.
size_t clamp_written(int n, size_t room) {
    if (n <= 0) return 0;
    return static_cast<size_t>(n) < room ? static_cast<size_t>(n) : room - 1;
}

// The duration's body (no quotes, no sign) into `out`; returns its length.
size_t format_magnitude(const Magnitude &m, char *out, size_t room) {
    if (m.sec == 0 && m.nsec < 1000) {
        return clamp_written(std::snprintf(out, room, "%ldns", static_cast<long>(m.nsec)), room);
    }
    if (m.sec == 0 && m.nsec <= 999999) {
        size_t n = clamp_written(std::snprintf(out, room, "%.3f", static_cast<double>(m.nsec) / 1000.0), room);
        // The suffix follows even a conversion that produced nothing.
        if (room - n > sizeof micro_suffix) {
            for (char c : micro_suffix) out[n++] = c;
            out[n] = '\0';
        }
        return n;
    }
    if (m.sec == 0) {
        return clamp_written(std::snprintf(out, room, "%.3fms", static_cast<double>(m.nsec) / 1000000.0), room);
    }
    if (m.sec <= 59) {
        const double seconds = static_cast<double>(m.sec) + static_cast<double>(m.nsec) / 1e9;
        return clamp_written(std::snprintf(out, room, "%.3fs", seconds), room);
    }
    return clamp_written(std::snprintf(out, room, "%ldm%ld.%03lds", static_cast<long>(m.sec / 60),
                                       static_cast<long>(m.sec % 60), static_cast<long>(m.nsec / 1000000)),
                         room);
}

}  // namespace

void append_duration(tevra_buffer *b, tevra_duration d, bool quoted) {
    const Magnitude m = magnitude_of(d);
    // Quote and sign first, so the minus sign sits inside the quotes.
    char text[kScratch];
    size_t n = 0;
    if (quoted) text[n++] = '"';
    if (m.negative) text[n++] = '-';
    n += format_magnitude(m, text + n, sizeof text - n - 1);
    if (quoted) text[n++] = '"';
    put(b, text, n);
}

}  // namespace tev

extern "C" {

void tevra_buffer_append_duration(tevra_buffer *buf, tevra_duration d, int quoted) {
    if (!tev::usable(buf)) return;
    tev::append_duration(buf, d, quoted != 0);
}

}  // extern "C"

// SPDX-License-Identifier: MIT
// RFC 3339 text of a tevra_time, shown at the value's own UTC offset:
// date and time, an optional fraction without trailing zeros, then `Z` or
// the offset. Time fields and the RFC 3339 line timestamps both use it.
#include <time.h>

#include <cstdint>
#include <cstdio>

#include "text/buffer_fast.hpp"
#include "text/json_string.hpp"
#include "text/values.hpp"

namespace tev {
namespace {

constexpr size_t kDateArea = 64;
constexpr size_t kFractionArea = 32;

// Wall time at the offset; false when it has no broken-down form.
bool wall_time(const tevra_time &t, struct tm &out) {
    const long shift = static_cast<long>(t.offset_minutes) * 60;
    long local = 0;
    // An instant so far out that adding the offset overflows has no date.
    if (__builtin_add_overflow(t.sec, shift, &local)) return false;
    const time_t when = static_cast<time_t>(local);
    return gmtime_r(&when, &out) != nullptr;
}

// ".%09ld" of |nsec| without trailing zeros, keeping the first digit.
size_t format_fraction(long nsec, char (&out)[kFractionArea]) {
    // Unsigned, so the most negative value still has a magnitude.
    const unsigned long magnitude =
        nsec < 0 ? 0UL - static_cast<unsigned long>(nsec) : static_cast<unsigned long>(nsec);
    const int n = std::snprintf(out, sizeof out, ".%09lu", magnitude);
    if (n <= 1) return 0;
    size_t len = static_cast<size_t>(n) < sizeof out ? static_cast<size_t>(n) : sizeof out - 1;
    while (len > 2 && out[len - 1] == '0') --len;
    return len;
}

// "Z", or a sign, two hour digits, a colon and two minute digits.
size_t format_zone(int offset_minutes, char (&out)[kFractionArea]) {
    if (offset_minutes == 0) {
        out[0] = 'Z';
        return 1;
    }
    const long offset = offset_minutes;
    const long magnitude = offset < 0 ? -offset : offset;
    const int n = std::snprintf(out, sizeof out, "%c%02ld:%02ld", offset < 0 ? '-' : '+', magnitude / 60,
                                magnitude % 60);
    if (n <= 0) return 0;
    return static_cast<size_t>(n) < sizeof out ? static_cast<size_t>(n) : sizeof out - 1;
}

}  // namespace

void append_time(tevra_buffer *b, const tevra_time &t, bool quoted) {
    struct tm wall;
    if (!wall_time(t, wall)) {
        // An unrenderable time still leaves a value in its place: "" in
        // JSON; an empty console value is written as nothing.
        if (quoted) append_json_string(b, "");
        return;
    }
    if (quoted) put_char(b, '"');
    char date[kDateArea];
    const size_t date_len = strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &wall);
    put(b, date, date_len);
    char piece[kFractionArea];
    if (t.nsec != 0) put(b, piece, format_fraction(t.nsec, piece));
    put(b, piece, format_zone(t.offset_minutes, piece));
    if (quoted) put_char(b, '"');
}

}  // namespace tev

extern "C" void tevra_buffer_append_time(tevra_buffer *buf, tevra_time t, int quoted) {
    if (!tev::usable(buf)) return;
    tev::append_time(buf, t, quoted != 0);
}

// SPDX-License-Identifier: MIT
// Timestamp text to seconds and nanoseconds since the epoch, without the
// platform's parsing functions, whose handling of zones varies.
#include "pretty/time_parse.hpp"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>

namespace tevra_pretty {
namespace {

// Reads exactly `n` digits at `pos`.
bool digits(std::string_view s, size_t pos, size_t n, int *out) {
    if (pos + n > s.size()) return false;
    int v = 0;
    for (size_t k = 0; k < n; ++k) {
        const char c = s[pos + k];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    *out = v;
    return true;
}

// Days from 1970-01-01 to a proleptic Gregorian date.
int64_t days_from_civil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool parse_rfc3339(std::string_view s, int64_t *sec, long *nsec) {
    int y, mo, d, h, mi, se;
    if (!digits(s, 0, 4, &y) || s.size() < 19 || s[4] != '-' || !digits(s, 5, 2, &mo) ||
        s[7] != '-' || !digits(s, 8, 2, &d) ||
        (s[10] != 'T' && s[10] != 't' && s[10] != ' ') || !digits(s, 11, 2, &h) || s[13] != ':' ||
        !digits(s, 14, 2, &mi) || s[16] != ':' || !digits(s, 17, 2, &se)) {
        return false;
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || se > 60) return false;
    size_t i = 19;
    long frac = 0;
    if (i < s.size() && s[i] == '.') {
        ++i;
        int n = 0;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++n) {
            if (n < 9) frac = frac * 10 + (s[i] - '0');
        }
        if (n == 0) return false;
        for (; n < 9; ++n) frac *= 10;
    }
    const int64_t wall = days_from_civil(y, mo, d) * 86400 + h * 3600 + mi * 60 + se;
    if (i == s.size()) {
        // No zone: the wall time is local.
        std::tm tm{};
        tm.tm_year = y - 1900;
        tm.tm_mon = mo - 1;
        tm.tm_mday = d;
        tm.tm_hour = h;
        tm.tm_min = mi;
        tm.tm_sec = se;
        tm.tm_isdst = -1;
        const std::time_t t = std::mktime(&tm);
        if (t == static_cast<std::time_t>(-1)) return false;
        *sec = t;
    } else if ((s[i] == 'Z' || s[i] == 'z') && i + 1 == s.size()) {
        *sec = wall;
    } else if (s[i] == '+' || s[i] == '-') {
        int oh, om;
        const bool colon = i + 3 < s.size() && s[i + 3] == ':';
        const size_t end = i + (colon ? 6 : 5);
        if (end != s.size() || !digits(s, i + 1, 2, &oh) || !digits(s, i + (colon ? 4 : 3), 2, &om)) {
            return false;
        }
        const int64_t offset = (oh * 60 + om) * 60;
        *sec = s[i] == '+' ? wall - offset : wall + offset;
    } else {
        return false;
    }
    *nsec = frac;
    return true;
}

// Epoch numbers: the size says the unit, as 1e11 seconds lie past 5000 AD.
bool parse_epoch(std::string_view s, int64_t *sec, long *nsec) {
    const std::string text(s);
    char *end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !std::isfinite(v)) return false;
    double seconds = v;
    const double a = std::fabs(v);
    if (a >= 1e17) {
        seconds = v / 1e9;
    } else if (a >= 1e14) {
        seconds = v / 1e6;
    } else if (a >= 1e11) {
        seconds = v / 1e3;
    }
    const double whole = std::floor(seconds);
    *sec = static_cast<int64_t>(whole);
    *nsec = static_cast<long>(std::llround((seconds - whole) * 1e9));
    if (*nsec >= 1000000000L) {
        *sec += 1;
        *nsec -= 1000000000L;
    }
    return true;
}

}  // namespace

bool parse_time(std::string_view text, bool is_number, int64_t *sec, long *nsec) {
    return is_number ? parse_epoch(text, sec, nsec) : parse_rfc3339(text, sec, nsec);
}

}  // namespace tevra_pretty

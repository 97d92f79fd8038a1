// SPDX-License-Identifier: MIT
// JSON number tokens to tevra fields. Integers are read digit by digit from
// the token, never through a double, so every 64-bit value stays exact.
#include "common/number_token.hpp"

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace tevra_tools {
namespace {

bool digit(char c) { return c >= '0' && c <= '9'; }

// The magnitude of a run of decimal digits; false when it passes 2^64 - 1.
bool magnitude(std::string_view digits, uint64_t *out) {
    uint64_t v = 0;
    for (char c : digits) {
        const uint64_t d = static_cast<uint64_t>(c - '0');
        if (v > (std::numeric_limits<uint64_t>::max() - d) / 10) return false;
        v = v * 10 + d;
    }
    *out = v;
    return true;
}

}  // namespace

bool is_json_number(std::string_view t) {
    size_t i = 0;
    if (i < t.size() && t[i] == '-') ++i;
    if (i >= t.size() || !digit(t[i])) return false;
    if (t[i] == '0') {
        ++i;
    } else {
        while (i < t.size() && digit(t[i])) ++i;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        if (i >= t.size() || !digit(t[i])) return false;
        while (i < t.size() && digit(t[i])) ++i;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        if (i >= t.size() || !digit(t[i])) return false;
        while (i < t.size() && digit(t[i])) ++i;
    }
    return i == t.size();
}

tevra_field number_field(const char *key, const std::string &token) {
    std::string_view t(token);
    const bool negative = !t.empty() && t[0] == '-';
    std::string_view digits = negative ? t.substr(1) : t;
    const bool integer = digits.find_first_of(".eE") == std::string_view::npos;
    // "-0" is a double: only a negative zero double prints that way.
    if (integer && !(negative && digits == "0")) {
        uint64_t m = 0;
        if (magnitude(digits, &m)) {
            constexpr uint64_t kMaxI64 = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
            if (!negative && m <= kMaxI64) return tevra_i64(key, static_cast<int64_t>(m));
            if (!negative) return tevra_u64(key, m);
            if (m <= kMaxI64 + 1) return tevra_i64(key, static_cast<int64_t>(0 - m));
        }
        // No 64-bit field holds it; its digits are the exact value.
        return tevra_str(key, token.c_str());
    }
    return tevra_f64(key, std::strtod(token.c_str(), nullptr));
}

}  // namespace tevra_tools

// SPDX-License-Identifier: MIT
// Byte-level text classification shared by the field constructors, the
// JSON string writers and the console quoting: the well-formed UTF-8
// sequence test and the byte classes of trusted and console-simple text.
// The sequence table lives here only, so trust and escaping never disagree.
#pragma once

#include <cstddef>

#include "text/scan.hpp"

namespace tev {

constexpr bool in_range(unsigned char c, unsigned char lo, unsigned char hi) { return c >= lo && c <= hi; }

// Length (2 to 4) of the well-formed UTF-8 sequence that starts at `p`, or
// 0 when none does: overlong forms, surrogates, code points above U+10FFFF,
// stray continuation bytes and sequences cut short all give 0. Reads at
// most as far as the first byte that breaks the sequence, so a terminating
// NUL (never a continuation byte) stops it inside the text. `p[0]` is
// expected to be 0x80 or above; ASCII bytes also give 0.
constexpr size_t utf8_sequence_length(const unsigned char *p) {
    const unsigned char lead = p[0];
    // The second byte's range depends on the lead; the rest are always
    // plain continuations.
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    size_t length = 0;
    if (in_range(lead, 0xC2, 0xDF)) {
        length = 2;
    } else if (lead == 0xE0) {
        length = 3;
        lo = 0xA0;
    } else if (in_range(lead, 0xE1, 0xEC) || in_range(lead, 0xEE, 0xEF)) {
        length = 3;
    } else if (lead == 0xED) {
        length = 3;
        hi = 0x9F;  // D800..DFFF are surrogates
    } else if (lead == 0xF0) {
        length = 4;
        lo = 0x90;
    } else if (in_range(lead, 0xF1, 0xF3)) {
        length = 4;
    } else if (lead == 0xF4) {
        length = 4;
        hi = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;  // 00..C1 and F5..FF never start a sequence
    }
    if (!in_range(p[1], lo, hi)) return 0;
    for (size_t i = 2; i < length; ++i) {
        if (!in_range(p[i], 0x80, 0xBF)) return 0;
    }
    return length;
}

// Where a text ends, for the scans that serve both NUL-terminated text and
// sized text (tevra_str_n), which may hold NUL bytes and need not end in
// one. Each bound answers whether `p` is past the text, how long the UTF-8
// sequence at `p` is without reading beyond the text, and where the next
// byte of a class (scan.hpp) lies, the end of the text at the latest.
struct ToNul {
    constexpr bool done(const unsigned char *p) const { return *p == 0; }
    constexpr size_t sequence(const unsigned char *p) const { return utf8_sequence_length(p); }
    template <Stop S>
    const unsigned char *skip(const unsigned char *p) const {
        return p + find_stop<S>(reinterpret_cast<const char *>(p));
    }
};

struct ToEnd {
    const unsigned char *end;
    constexpr bool done(const unsigned char *p) const { return p == end; }
    // The bytes past the end read as NUL, which no sequence continues with,
    // so a sequence cut short by the end fails as one cut short by a NUL.
    constexpr size_t sequence(const unsigned char *p) const {
        if (end - p >= 4) return utf8_sequence_length(p);
        unsigned char head[4] = {0, 0, 0, 0};
        for (size_t i = 0; i < 4 && p + i != end; ++i) head[i] = p[i];
        return utf8_sequence_length(head);
    }
    template <Stop S>
    const unsigned char *skip(const unsigned char *p) const {
        return p + find_stop_n<S>(reinterpret_cast<const char *>(p), static_cast<size_t>(end - p));
    }
};

inline ToEnd to_end(const char *s, size_t n) {
    return ToEnd{reinterpret_cast<const unsigned char *>(s) + n};
}

// ASCII bytes that may stand between JSON quotes without escaping:
// printable, and neither '"' nor '\'.
constexpr bool ascii_trusted_byte(unsigned char c) { return in_range(c, 0x20, 0x7E) && c != '"' && c != '\\'; }

// Bytes that stop a console value from standing bare: space and every
// control byte, DEL, and the three characters of the key=value syntax.
constexpr bool console_forces_quotes(unsigned char c) {
    return c <= 0x20 || c == '"' || c == '=' || c == '\\' || c == 0x7F;
}

// The scans' byte classes and the byte tests above name the same bytes.
constexpr bool scan_classes_agree() {
    for (unsigned c = 0; c < 256; ++c) {
        const auto b = static_cast<unsigned char>(c);
        if (stops_at(Stop::kJsonTrusted, b) == ascii_trusted_byte(b)) return false;
        if (stops_at(Stop::kConsoleBare, b) != console_forces_quotes(b)) return false;
    }
    return true;
}
static_assert(scan_classes_agree());

// Byte length of `s` when every byte is ASCII-trusted, else 0 with
// `*ok` false. One pass, no strlen.
template <class Bound = ToNul>
size_t ascii_trusted_length(const char *s, bool *ok, Bound bound = {}) {
    const auto *p = reinterpret_cast<const unsigned char *>(s);
    const unsigned char *q = bound.template skip<Stop::kJsonTrusted>(p);
    *ok = bound.done(q);
    return *ok ? static_cast<size_t>(q - p) : 0;
}

// Byte length of `s` when it is whole well-formed UTF-8 with every ASCII
// byte trusted, else 0 with `*ok` false. One pass, no strlen: ASCII runs
// go by the block, each byte of 0x80 and up starts a sequence to check.
template <class Bound = ToNul>
size_t utf8_trusted_length(const char *s, bool *ok, Bound bound = {}) {
    const auto *p = reinterpret_cast<const unsigned char *>(s);
    const unsigned char *q = p;
    for (;;) {
        q = bound.template skip<Stop::kJsonTrusted>(q);
        if (bound.done(q) || *q < 0x80) break;
        const size_t n = bound.sequence(q);
        if (n == 0) break;
        q += n;
    }
    *ok = bound.done(q);
    return *ok ? static_cast<size_t>(q - p) : 0;
}

// Compile-time checks of the sequence table's edges.
namespace utf8_checks {
constexpr unsigned char kEuro[] = {0xE2, 0x82, 0xAC, 0};
constexpr unsigned char kEmoji[] = {0xF0, 0x9F, 0x98, 0x80, 0};
constexpr unsigned char kOverlong[] = {0xC0, 0xAF, 0};
constexpr unsigned char kSurrogate[] = {0xED, 0xA0, 0x80, 0};
constexpr unsigned char kTooHigh[] = {0xF4, 0x90, 0x80, 0x80, 0};
constexpr unsigned char kCutShort[] = {0xE2, 0x82, 0};
static_assert(utf8_sequence_length(kEuro) == 3);
static_assert(utf8_sequence_length(kEmoji) == 4);
static_assert(utf8_sequence_length(kOverlong) == 0);
static_assert(utf8_sequence_length(kSurrogate) == 0);
static_assert(utf8_sequence_length(kTooHigh) == 0);
static_assert(utf8_sequence_length(kCutShort) == 0);
}  // namespace utf8_checks

}  // namespace tev

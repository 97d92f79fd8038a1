// SPDX-License-Identifier: MIT
// Text as JSON strings: the escaping writer, which turns any bytes
// into valid JSON (bytes outside well-formed UTF-8 become \u00XX), the
// writer for text of unknown trust, and the raw writers for trusted text.
#include <array>
#include <cstring>

#include "text/hex_digits.hpp"
#include "text/buffer.hpp"
#include "text/buffer_fast.hpp"
#include "text/json_string.hpp"
#include "text/utf8.hpp"
#include "tevra.h"

namespace tev {
namespace {

enum EscapeKind : unsigned char {
    kCopy = 0,       // the byte itself
    kQuote = 1,      // \"
    kBackslash = 2,  // two backslashes
    kReturn = 3,     // \r
    kNewline = 4,    // \n
    kTab = 5,        // \t
    kUnicode = 6,    // \u00XX
};

// Indexed by byte value; only bytes below 0x80 are looked up, the upper
// half is decided by the UTF-8 sequence test. Control bytes without a short
// form take \u00XX. '[' does too, although JSON does not need it: escaped
// text never shows a raw '[', while trusted text copied raw may.
constexpr std::array<unsigned char, 256> kEscapeKind = [] {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 0x20; ++c) t[c] = kUnicode;
    t['"'] = kQuote;
    t['\\'] = kBackslash;
    t['\r'] = kReturn;
    t['\n'] = kNewline;
    t['\t'] = kTab;
    t['['] = kUnicode;
    return t;
}();
static_assert(kEscapeKind.size() == 256);
static_assert(kEscapeKind[0x7F] == kCopy && kEscapeKind[']'] == kCopy);
static_assert(kEscapeKind[0x08] == kUnicode && kEscapeKind[0x0C] == kUnicode);

// The escaping scan stops at exactly the ASCII bytes this table escapes.
constexpr bool escape_scan_agrees() {
    for (unsigned c = 0; c < 0x80; ++c) {
        if (stops_at(Stop::kJsonEscape, static_cast<unsigned char>(c)) != (kEscapeKind[c] != kCopy)) return false;
    }
    return true;
}
static_assert(escape_scan_agrees());


// Makes room for the next piece: flushes a full buffer and reports false
// when that did not help, after which the rest of the string is given up.
bool room(tevra_buffer *b) {
    if (b->len < b->cap) return true;
    buffer_make_room(b);
    return usable(b) && b->len < b->cap;
}

bool put_piece(tevra_buffer *b, const char *s, size_t n) {
    if (n == 0) return true;
    if (!room(b)) return false;
    put(b, s, n);
    return true;
}

bool put_quote(tevra_buffer *b) {
    if (!room(b)) return false;
    put_char(b, '"');
    return true;
}

bool put_escape(tevra_buffer *b, unsigned char c, unsigned char kind) {
    char esc[6] = {'\\', 0, 0, 0, 0, 0};
    size_t n = 2;
    switch (kind) {
        case kQuote: esc[1] = '"'; break;
        case kBackslash: esc[1] = '\\'; break;
        case kReturn: esc[1] = 'r'; break;
        case kNewline: esc[1] = 'n'; break;
        case kTab: esc[1] = 't'; break;
        default:
            esc[1] = 'u';
            esc[2] = '0';
            esc[3] = '0';
            esc[4] = kHexDigits[c >> 4];
            esc[5] = kHexDigits[c & 0x0F];
            n = 6;
            break;
    }
    return put_piece(b, esc, n);
}

// The body of an escaped string, without its quotes; false when the
// buffer gave out. The text ends at its NUL or, for a sized value, at its
// length, where a NUL byte is one more control byte to escape.
template <class Bound = ToNul>
bool put_escaped(tevra_buffer *b, const char *s, Bound bound = {}) {
    const auto *p = reinterpret_cast<const unsigned char *>(s);
    const unsigned char *run = p;
    for (;;) {
        // Everything up to the next byte of interest joins the run at once.
        p = bound.template skip<Stop::kJsonEscape>(p);
        if (bound.done(p)) break;
        const unsigned char c = *p;
        if (c < 0x80) {
            if (!put_piece(b, reinterpret_cast<const char *>(run), static_cast<size_t>(p - run))) return false;
            if (!put_escape(b, c, kEscapeKind[c])) return false;
            run = ++p;
            continue;
        }
        const size_t n = bound.sequence(p);
        if (n != 0) {
            p += n;
            continue;
        }
        // Only this byte is escaped; whatever follows is judged afresh, so
        // each stray continuation byte reads back as its own code point.
        if (!put_piece(b, reinterpret_cast<const char *>(run), static_cast<size_t>(p - run))) return false;
        if (!put_escape(b, c, kUnicode)) return false;
        run = ++p;
    }
    return put_piece(b, reinterpret_cast<const char *>(run), static_cast<size_t>(p - run));
}

}  // namespace

void append_json_string_n(tevra_buffer *b, const char *s, size_t n) {
    if (!put_quote(b)) return;
    if (s != nullptr && !put_escaped(b, s, to_end(s, n))) return;
    put_quote(b);
}

void append_json_string_maybe_trusted_n(tevra_buffer *b, const char *s, size_t n) {
    bool trusted = false;
    if (s != nullptr) utf8_trusted_length(s, &trusted, to_end(s, n));
    if (trusted) {
        append_json_trusted_string_n(b, s, n);
    } else {
        append_json_string_n(b, s, n);
    }
}

void append_json_string(tevra_buffer *b, const char *s) {
    if (!put_quote(b)) return;
    if (s != nullptr && !put_escaped(b, s)) return;
    put_quote(b);
}

void append_json_escaped(tevra_buffer *b, const char *s) {
    if (usable(b) && s != nullptr) (void)put_escaped(b, s);
}

void append_json_trusted_string_n(tevra_buffer *b, const char *s, size_t n) {
    if (!put_quote(b)) return;
    if (s != nullptr && !put_piece(b, s, n)) return;
    put_quote(b);
}

void append_json_string_maybe_trusted(tevra_buffer *b, const char *s) {
    if (s == nullptr) {
        append_json_trusted_string_n(b, nullptr, 0);
        return;
    }
    // One pass decides, ASCII runs a block at a time.
    bool trusted = false;
    const size_t n = utf8_trusted_length(s, &trusted);
    if (trusted) {
        append_json_trusted_string_n(b, s, n);
    } else {
        append_json_string(b, s);
    }
}

}  // namespace tev

extern "C" {

void tevra_buffer_append_json_string(tevra_buffer *buf, const char *s) {
    if (tev::usable(buf)) tev::append_json_string(buf, s);
}

void tevra_buffer_append_json_string_maybe_trusted(tevra_buffer *buf, const char *s) {
    if (tev::usable(buf)) tev::append_json_string_maybe_trusted(buf, s);
}

void tevra_buffer_append_json_trusted_string_n(tevra_buffer *buf, const char *s, size_t n) {
    if (tev::usable(buf)) tev::append_json_trusted_string_n(buf, s, n);
}

void tevra_buffer_append_json_trusted_string(tevra_buffer *buf, const char *s) {
    if (tev::usable(buf)) tev::append_json_trusted_string_n(buf, s, s != nullptr ? std::strlen(s) : 0);
}

}  // extern "C"

// SPDX-License-Identifier: MIT
// How arbitrary bytes appear in a console line: a field value stands bare
// when it cannot be mistaken for the line's key=value syntax and is quoted
// with backslash escapes otherwise; a message is never quoted, only its
// control bytes are escaped, so one event always stays on one line.
#include "text/console_string.hpp"
#include "text/hex_digits.hpp"
#include "text/buffer_fast.hpp"
#include "text/utf8.hpp"
#include "tevra.h"

namespace tev {
namespace {


// Control bytes and DEL: the bytes that must never reach a terminal raw.
constexpr bool is_control(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Quotes and backslashes are escaped only inside a quoted value; in a
// message they mean nothing and are copied.
constexpr bool needs_escape(unsigned char c, bool quoted) {
    return is_control(c) || (quoted && (c == '"' || c == '\\'));
}

// The scans stop at exactly the bytes escaped inside and outside quotes.
constexpr bool escape_scans_agree() {
    for (unsigned c = 0; c < 256; ++c) {
        const auto b = static_cast<unsigned char>(c);
        if (stops_at(Stop::kConsoleQuoted, b) != needs_escape(b, true)) return false;
        if (stops_at(Stop::kConsoleMessage, b) != needs_escape(b, false)) return false;
    }
    return true;
}
static_assert(escape_scans_agree());

void put_escape(tevra_buffer *b, unsigned char c) {
    char esc[4] = {'\\', 0, 0, 0};
    size_t n = 2;
    switch (c) {
        case '\t': esc[1] = 't'; break;
        case '\n': esc[1] = 'n'; break;
        case '\r': esc[1] = 'r'; break;
        case '"':
        case '\\': esc[1] = static_cast<char>(c); break;
        default:
            esc[1] = 'x';
            esc[2] = kHexDigits[c >> 4];
            esc[3] = kHexDigits[c & 0x0F];
            n = 4;
            break;
    }
    put(b, esc, n);
}

// Copies `p` up to its end in runs, one append per run between escapes.
template <class Bound = ToNul>
void put_escaped(tevra_buffer *b, const unsigned char *p, bool quoted, Bound bound = {}) {
    const unsigned char *run = p;
    for (;;) {
        p = quoted ? bound.template skip<Stop::kConsoleQuoted>(p) : bound.template skip<Stop::kConsoleMessage>(p);
        if (bound.done(p)) break;
        put(b, reinterpret_cast<const char *>(run), static_cast<size_t>(p - run));
        put_escape(b, *p);
        run = ++p;
    }
    put(b, reinterpret_cast<const char *>(run), static_cast<size_t>(p - run));
}

template <class Bound = ToNul>
void put_value(tevra_buffer *b, const char *s, Bound bound = {}) {
    const auto *p = reinterpret_cast<const unsigned char *>(s);
    const unsigned char *q = bound.template skip<Stop::kConsoleBare>(p);
    if (bound.done(q)) {
        put(b, s, static_cast<size_t>(q - p));
        return;
    }
    put_char(b, '"');
    // The clean head goes out in one piece; space and '=' forced the quotes
    // but are copied inside them.
    put(b, s, static_cast<size_t>(q - p));
    put_escaped(b, q, true, bound);
    put_char(b, '"');
}

}  // namespace

void append_console_string(tevra_buffer *b, const char *s) { put_value(b, s); }

// A NUL byte forces the quotes like any control byte and is written \x00.
void append_console_string_n(tevra_buffer *b, const char *s, size_t n) {
    if (s != nullptr && n != 0) put_value(b, s, to_end(s, n));
}

void append_console_message(tevra_buffer *b, const char *s) {
    put_escaped(b, reinterpret_cast<const unsigned char *>(s), false);
}

}  // namespace tev

extern "C" {

void tevra_buffer_append_console_string(tevra_buffer *buf, const char *s) {
    if (tev::usable(buf) && s != nullptr && s[0] != '\0') tev::append_console_string(buf, s);
}

void tevra_buffer_append_console_message(tevra_buffer *buf, const char *s) {
    if (tev::usable(buf) && s != nullptr && s[0] != '\0') tev::append_console_message(buf, s);
}

}  // extern "C"

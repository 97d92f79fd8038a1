// SPDX-License-Identifier: MIT
// The kvfmt template grammar: `key=%verb` items separated by spaces, parsed
// into a fixed-size layout. Pre-rendering and caching live in
// kvfmt_cache.cpp.
#include <cstring>
#include <string_view>

#include "core/field_copy.hpp"
#include "kvfmt/kvfmt.hpp"
#include "text/fnv1a.hpp"

namespace tev::kvfmt {
namespace {

// Verbs, after `%` or `%l`:
//   s  string (const char *)          -> TEVRA_KVFMT_STRING   (%ls too)
//   d  int, ld long                   -> TEVRA_KVFMT_INT / _LONG
//   u  unsigned, lu unsigned long     -> TEVRA_KVFMT_UINT / _ULONG
//   f  double                         -> TEVRA_KVFMT_DOUBLE   (%lf too)
//   p  void *                         -> TEVRA_KVFMT_POINTER  (%lp too)
//   b  int read as a boolean          -> TEVRA_KVFMT_BOOL     (%lb too)
//   m  errno on entry, no argument    -> TEVRA_KVFMT_ERRNO    (never %lm)
// Any other letter makes the template invalid.
[[nodiscard]] int verb_code(char letter, bool is_long) {
    switch (letter) {
        case 's': return TEVRA_KVFMT_STRING;
        case 'd': return is_long ? TEVRA_KVFMT_LONG : TEVRA_KVFMT_INT;
        case 'u': return is_long ? TEVRA_KVFMT_ULONG : TEVRA_KVFMT_UINT;
        case 'f': return TEVRA_KVFMT_DOUBLE;
        case 'p': return TEVRA_KVFMT_POINTER;
        case 'b': return TEVRA_KVFMT_BOOL;
        case 'm': return is_long ? -1 : TEVRA_KVFMT_ERRNO;
        default: return -1;
    }
}

// Key bytes: anything above space except '"', '\' and DEL; bytes 0x80 and
// up pass unchecked here (a key that is not UTF-8 is escaped where it is
// written into JSON).
constexpr bool key_byte(unsigned char c) { return c > 0x20 && c != '"' && c != '\\' && c != 0x7F; }

// Scans the items of `text` into `layout`; false on the first violation.
[[nodiscard]] bool scan(const char *text, tevra_kvfmt_layout *layout) {
    const char *p = text;
    uint32_t count = 0;
    for (;;) {
        while (*p == ' ') ++p;
        if (*p == '\0') break;
        if (count == TEVRA_KVFMT_MAX_ITEMS) return false;
        // The key runs to the first '=' directly followed by '%'.
        const char *key = p;
        while (!(p[0] == '=' && p[1] == '%')) {
            if (!key_byte(static_cast<unsigned char>(*p))) return false;
            ++p;
        }
        if (p == key) return false;
        tevra_kvfmt_entry &e = layout->entries[count];
        e.key = key;
        e.key_len = static_cast<size_t>(p - key);
        p += 2;  // "=%"
        bool is_long = false;
        if (*p == 'l') {
            is_long = true;
            ++p;
        }
        int code = verb_code(*p, is_long);
        if (code < 0) return false;
        e.verb = static_cast<uint32_t>(code);
        ++p;
        // Whatever follows the verb up to the next space is ignored, unless
        // it holds a '%': "a=%d,b=%d" looks like two items but would read
        // only one argument, and every later item would then read another
        // item's argument as its own (a %s reading an int dies). Refusing it
        // reads no argument at all.
        while (*p != ' ' && *p != '\0') {
            if (*p == '%') return false;
            ++p;
        }
        ++count;
    }
    layout->count = count;
    return true;
}

}  // namespace

void reset_layout(tevra_kvfmt_layout *layout) {
    tevra_free_internal(layout->template_copy);
    std::memset(layout, 0, sizeof *layout);
}

int parse_layout(tevra_kvfmt_layout *layout, const char *text, int copy) {
    reset_layout(layout);
    if (text == nullptr) return 0;
    layout->template_len = std::strlen(text);
    layout->hash = fnv1a(std::string_view(text, layout->template_len));
    const char *source = text;
    if (copy) {
        layout->template_copy = strdup_local(text);
        if (layout->template_copy == nullptr) {
            reset_layout(layout);
            return -1;
        }
        source = layout->template_copy;
    }
    layout->template_text = source;
    if (!scan(source, layout)) {
        reset_layout(layout);
        return -1;
    }
    return 0;
}

}  // namespace tev::kvfmt

extern "C" int tevra_parse_kvfmt_layout(tevra_kvfmt_layout *layout, const char *kvfmt, int copy) {
    if (layout == nullptr) return -1;
    return tev::kvfmt::parse_layout(layout, kvfmt, copy);
}

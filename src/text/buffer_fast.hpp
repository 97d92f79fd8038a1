// SPDX-License-Identifier: MIT
// The line buffer's append fast path, inlined into the encoders: a room
// check, one block copy, the NUL. Only when the room runs out do they call
// the buffer's own append functions, which flush or grow.
#pragma once

#include <cstring>
#include <string_view>

#include "text/short_copy.hpp"
#include "tevra.h"
#include "text/buffer.hpp"
// The files that append through the fast path write values too.
#include "text/values.hpp"

namespace tev {

// A buffer that can take text: initialised, with storage and capacity.
inline bool usable(const tevra_buffer *b) { return b != nullptr && b->data != nullptr && b->cap != 0; }

// Requires a non-NULL buffer.
inline void put(tevra_buffer *b, const char *s, size_t n) {
    if (n == 0) return;
    if (b->cap - b->len >= n) {
        copy_bytes(b->data + b->len, s, n);
        b->len += n;
        b->data[b->len] = '\0';
    } else {
        if (usable(b) && s != nullptr) buffer_append_n(b, s, n);
    }
}

inline void put(tevra_buffer *b, std::string_view s) { put(b, s.data(), s.size()); }

inline void put_char(tevra_buffer *b, char c) {
    if (b->len < b->cap) {
        b->data[b->len++] = c;
        b->data[b->len] = '\0';
    } else {
        if (usable(b)) buffer_append_char(b, c);
    }
}

}  // namespace tev

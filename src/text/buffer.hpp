// SPDX-License-Identifier: MIT
// The line buffer as the other rooms use it. These functions expect a
// buffer the caller has checked (usable() in buffer_fast.hpp, non-NULL
// pointers); the exported tevra_buffer_* functions check, then call them.
#pragma once

#include <cstddef>

#include "tevra.h"

namespace tev {

// Binds `b` to `shared` (or leaves it detached when NULL) with room for
// `size` bytes (0: the default); returns the text area.
char *buffer_init(tevra_buffer *b, tevra_shared *shared, size_t size);
// Grows a detached buffer to hold `need` bytes; 0, or -1 without memory.
int buffer_reserve(tevra_buffer *b, size_t need);
// Makes room for more text: a buffer bound to a shared record hands the
// text so far to the output (a mid-line flush, which keeps write_lock to the
// end of the line); a detached buffer grows instead.
void buffer_make_room(tevra_buffer *b);
void buffer_append_n(tevra_buffer *b, const char *src, size_t n);
void buffer_append_char(tevra_buffer *b, char c);
// Two lower-case hex digits per byte.
void buffer_append_bytes_hex(tevra_buffer *b, const void *p, size_t n);
// The line feed that ends a line.
void buffer_finish_line(tevra_buffer *b);
// Writes the finished line to the shared record's output and empties the
// buffer, releasing write_lock when a mid-line flush took it.
void write_buffer(tevra_shared *s, tevra_buffer *b);
// Gives back the storage; the buffer is detached and empty afterwards.
void buffer_destroy(tevra_buffer *b);

}  // namespace tev

// SPDX-License-Identifier: MIT
// The value writers of the text room: numbers, pointers, durations, times
// and the line timestamp, as the encoders append them. Each expects a
// usable buffer (see buffer_fast.hpp); the exported functions check that.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tevra.h"

namespace tev {

void append_unsigned(tevra_buffer *b, uint64_t value);
void append_signed(tevra_buffer *b, int64_t value);
// %.17g text through the shared double cache.
void append_double(tevra_buffer *b, double x);
// 0x followed by lower-case hex digits.
void append_pointer(tevra_buffer *b, const void *p);
// Go-style text ("1.5s"), between quotes when `quoted`.
void append_duration(tevra_buffer *b, tevra_duration d, bool quoted);
// RFC 3339 at the value's own offset, between quotes when `quoted`.
void append_time(tevra_buffer *b, const tevra_time &t, bool quoted);

// The timestamp text of one instant in the record's format, into `out`
// (64 bytes); returns its length.
size_t render_timestamp_value(const tevra_shared *s, int64_t sec, long nsec, char *out);
// The line's timestamp value (no key), through the record's cache. Expects
// a record whose lines carry timestamps.
void append_timestamp(tevra_shared *s, tevra_buffer *b);

}  // namespace tev

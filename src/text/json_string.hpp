// SPDX-License-Identifier: MIT
// JSON string literals of a given size, for string values whose record
// gives their exact length (tevra_str_n): the same bytes the writers for
// NUL-terminated text produce, with NUL bytes inside escaped as \u0000.
#pragma once

#include <cstddef>

#include "tevra.h"

namespace tevra {

// Quoted and escaped, as tevra_buffer_append_json_string writes text.
void append_json_string_n(tevra_buffer *b, const char *s, size_t n);
// Copied raw between quotes when the bytes are trusted UTF-8, escaped
// otherwise, as tevra_buffer_append_json_string_maybe_trusted writes text.
void append_json_string_maybe_trusted_n(tevra_buffer *b, const char *s, size_t n);
// n bytes between quotes, unescaped.
void append_json_trusted_string_n(tevra_buffer *b, const char *s, size_t n);

}  // namespace tevra

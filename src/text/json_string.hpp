// SPDX-License-Identifier: MIT
// JSON string writers for the library's own texts that the exported
// writers cannot take: text bounded by a length instead of a NUL (sized
// string values, template keys), with NUL bytes inside escaped as \u0000,
// and an escaped body without its quotes.
#pragma once

#include <cstddef>

#include "tevra.h"

namespace tev {

// Quoted and escaped; NULL writes "". Expects a usable buffer.
void append_json_string(tevra_buffer *b, const char *s);
// Raw between quotes when the text is trusted UTF-8, escaped otherwise.
void append_json_string_maybe_trusted(tevra_buffer *b, const char *s);
// Quoted and escaped, as tevra_buffer_append_json_string writes text.
void append_json_string_n(tevra_buffer *b, const char *s, size_t n);
// Copied raw between quotes when the bytes are trusted UTF-8, escaped
// otherwise, as tevra_buffer_append_json_string_maybe_trusted writes text.
void append_json_string_maybe_trusted_n(tevra_buffer *b, const char *s, size_t n);
// The escaping writer's text for `s` without the surrounding quotes, for a
// caller that writes the quotes itself. NULL writes nothing.
void append_json_escaped(tevra_buffer *b, const char *s);
// n bytes between quotes, unescaped.
void append_json_trusted_string_n(tevra_buffer *b, const char *s, size_t n);

}  // namespace tev

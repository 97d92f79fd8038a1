// SPDX-License-Identifier: MIT
// JSON string writers for the library's own texts that the exported
// writers cannot take: text bounded by a length instead of a NUL, and an
// escaped body without its quotes.
#pragma once

#include <cstddef>

#include "tevra.h"

namespace tevra {

// `"`, the n bytes raw when they pass the UTF-8 rule (as a trusted key
// would be written), else escaped as the escaping writer does, `"`. For
// template keys, which end by length. NULL gives "".
void append_json_string_maybe_trusted_n(tevra_buffer *b, const char *s, size_t n);

// The escaping writer's text for `s` without the surrounding quotes, for a
// caller that writes the quotes itself. NULL writes nothing.
void append_json_escaped(tevra_buffer *b, const char *s);

}  // namespace tevra

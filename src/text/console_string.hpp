// SPDX-License-Identifier: MIT
// Text as console lines carry it, beside the JSON string writer: values
// bare or quoted, messages only escaped. Each expects a usable buffer
// (buffer_fast.hpp). The console encoder writes values and messages with
// these, and the timestamp writer escapes console timestamps with them.
#pragma once

#include <cstddef>

#include "tevra.h"

namespace tev {

// A value, bare when it cannot be mistaken for key=value syntax, quoted
// and escaped otherwise. Expects non-empty text.
void append_console_string(tevra_buffer *b, const char *s);
// A value of exactly n bytes (tevra_str_n), bare or quoted and escaped as
// append_console_string writes text; n 0 writes nothing.
void append_console_string_n(tevra_buffer *b, const char *s, size_t n);
// A message: never quoted, control bytes escaped. Expects non-empty text.
void append_console_message(tevra_buffer *b, const char *s);

}  // namespace tev

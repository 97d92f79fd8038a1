// SPDX-License-Identifier: MIT
// Field records and text checks of the text room, for the rooms that build
// fields of their own or decide how a string may be written.
#pragma once

#include <cstddef>

#include "tevra.h"

namespace tev {

// 1 when `s` is non-NULL, valid UTF-8 and needs no JSON escaping; its
// length goes to `*len` when `len` is not NULL.
int string_is_trusted_measure(const char *s, size_t *len);
// 1 when `s` can stand bare as a console value.
int string_is_console_simple(const char *s);

tevra_field str_field(const char *key, const char *value);
// A string value of exactly `len` bytes.
tevra_field sized_str_field(const char *key, const char *data, size_t len);
tevra_field trusted_str_field(const char *key, const char *value);

// The message of errno number `err` in `buf` (size > 0), "Unknown error N"
// when there is none or it does not fit; returns `buf`.
const char *errno_string(int err, char *buf, size_t size);

}  // namespace tev

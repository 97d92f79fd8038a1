// SPDX-License-Identifier: MIT
// Deep copies of field records for bound fields, and the matching release.
#pragma once

#include "tevra.h"

namespace tev {

char *strdup_local(const char *s);
void *memdup_local(const void *p, size_t n);
// 0, or -1 when an allocation failed; `dst` then owns nothing.
[[nodiscard]] int copy_field(tevra_field *dst, const tevra_field *src);
// Frees the key copy and, for strings and byte runs, the value copy.
void free_field_copy(tevra_field *f);

}  // namespace tev

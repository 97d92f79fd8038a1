// SPDX-License-Identifier: MIT
// Number text written straight to a place in a line whose room the caller
// has checked: the writers return the end of what they wrote.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tevra.h"

namespace tev {

// At most 20 digits and a sign.
constexpr size_t kIntegerTextRoom = 24;
char *write_unsigned(char *out, uint64_t value);
char *write_signed(char *out, int64_t value);

// A finite double's "%.17g" text (at most 24 bytes); the writer may store
// up to kDoubleTextRoom bytes, copying a cached text as whole words. The
// record's cache is used when `shared` is not NULL.
constexpr size_t kDoubleTextRoom = 32;
char *write_finite_double(tevra_shared *shared, char *out, double value);

}  // namespace tev

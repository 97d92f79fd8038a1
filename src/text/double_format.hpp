// SPDX-License-Identifier: MIT
// The "%.17g" text of a finite double, made by the library itself: the same
// bytes glibc's printf writes in the default rounding mode, without printf.
#pragma once

#include <cstddef>

namespace tev {

// The text is at most 24 characters ("-1.2345678901234567e-308"), but the
// formatter stores fixed-size blocks past its end instead of copying
// variable lengths, so it needs this much room.
constexpr size_t kG17Room = 48;

// Writes the "%.17g" text of x (finite; NaN and infinities are the caller's)
// at `out`: 17 significant digits rounded to nearest, ties to even, on the
// exact binary value; fixed notation for decimal exponents -4 to 16 and
// d.ddde±XX otherwise; trailing zeros and a bare point dropped; -0.0 gives
// "-0". Returns the length; writes no NUL and may leave scratch bytes after
// the text, up to kG17Room.
size_t format_double_g17(double x, char *out);

}  // namespace tev

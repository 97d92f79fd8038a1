// SPDX-License-Identifier: MIT
// The lowercase hexadecimal digits, for byte runs, pointers and escapes.
#pragma once

namespace tev {

inline constexpr char kHexDigits[] = "0123456789abcdef";

}  // namespace tev

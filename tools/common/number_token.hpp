// SPDX-License-Identifier: MIT
// Numbers as both tools read them: a JSON number token becomes the field a
// program would have logged for that value, integers exactly.
#pragma once

#include <tevra.h>

#include <string>
#include <string_view>

namespace tevra_tools {

// True when `text` is one whole JSON number token.
bool is_json_number(std::string_view text);

// The field for a JSON number token (checked by is_json_number): an int64
// or uint64 when the token is an integer that fits, a double otherwise
// ("-0" and any token with a fraction or exponent). An integer beyond 64
// bits keeps its digits exactly, as a string field. `key` and `token` are
// borrowed by the field.
tevra_field number_field(const char *key, const std::string &token);

}  // namespace tevra_tools

// SPDX-License-Identifier: MIT
// KEY=VALUE and KEY:=VALUE arguments of tevra-log as field records.
#pragma once

#include <tevra.h>

#include <string>
#include <vector>

namespace tevra_log {

struct FieldArg {
    std::string key;
    std::string value;
    bool typed = false;  // KEY:=VALUE
};

// Splits one argument at its first '='; a ':' just before it makes the value
// typed. On failure returns false and sets `error` to a message.
bool parse_field_arg(const std::string &arg, FieldArg *out, std::string *error);

// The field of an argument: a string, or for a typed value an integer
// (exact in 64 bits), a double, a boolean or null. The argument must
// outlive the field. A typed value of another form gives false.
bool field_of(const FieldArg &arg, tevra_field *out);

}  // namespace tevra_log

// SPDX-License-Identifier: MIT
// Typed values follow JSON's spelling, so a script's number reads the same
// in its argument and in the line tevra writes for it.
#include "log/fields.hpp"

#include "common/number_token.hpp"

namespace tevra_log {

bool parse_field_arg(const std::string &arg, FieldArg *out, std::string *error) {
    const size_t eq = arg.find('=');
    if (eq == std::string::npos) {
        *error = "expected KEY=VALUE or KEY:=VALUE, not '" + arg + "'";
        return false;
    }
    out->typed = eq > 0 && arg[eq - 1] == ':';
    out->key = arg.substr(0, out->typed ? eq - 1 : eq);
    out->value = arg.substr(eq + 1);
    if (out->key.empty()) {
        *error = "empty key in '" + arg + "'";
        return false;
    }
    return true;
}

bool field_of(const FieldArg &arg, tevra_field *out) {
    const char *key = arg.key.c_str();
    if (!arg.typed) {
        *out = tevra_str(key, arg.value.c_str());
    } else if (tevra_tools::is_json_number(arg.value)) {
        *out = tevra_tools::number_field(key, arg.value);
    } else if (arg.value == "true" || arg.value == "false") {
        *out = tevra_bool(key, arg.value == "true");
    } else if (arg.value == "null") {
        *out = tevra_null(key);
    } else {
        return false;
    }
    return true;
}

}  // namespace tevra_log

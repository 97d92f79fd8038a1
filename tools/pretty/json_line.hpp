// SPDX-License-Identifier: MIT
// Reads one line as a JSON object, keeping what a general JSON library
// throws away: the order of members, repeated keys, and the exact token of
// every number.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tevra_pretty {

struct JsonMember {
    enum class Kind { String, Number, True, False, Null, Nested };
    std::string key;   // decoded
    Kind kind = Kind::Null;
    // String: the decoded text. Number: the token as written. Nested: the
    // object or array as compact JSON text (white space outside strings
    // dropped, strings and numbers as written).
    std::string text;
};

// Parses a line that holds exactly one JSON object, white space around it
// allowed. Returns false, with `members` unspecified, for anything else.
bool parse_json_object(std::string_view line, std::vector<JsonMember> *members);

// The line without ANSI colour sequences (ESC '[' ... final byte), so that
// coloured JSON lines read like plain ones.
std::string strip_ansi(std::string_view line);

}  // namespace tevra_pretty

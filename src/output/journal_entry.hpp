// SPDX-License-Identifier: MIT
// Building an entry of the journal's native protocol: KEY=value lines, the
// length-prefixed form for values holding a newline, and the members of a
// JSON line turned into journal fields.
#pragma once

#include <string_view>

#include "output/line_assembler.hpp"

namespace tev {

// Appends one field; false when memory runs out.
bool journal_append_field(LineAssembler *entry, std::string_view name, std::string_view value);

// When `line` is a JSON object, appends its members after the library's
// leading time, level and message members as fields: the key upper-cased,
// other characters than A-Z, 0-9 and '_' as '_', "TEVRA_" before a key that
// would start with a digit or '_'; strings unescaped, other values as their
// JSON text. Anything else appends nothing. False when memory runs out.
bool journal_append_json_fields(LineAssembler *entry, std::string_view line);

// The line without terminal colour sequences (ESC [ ... final byte), in
// `scratch` when there were any.
std::string_view strip_colour(std::string_view line, LineAssembler *scratch);

}  // namespace tev

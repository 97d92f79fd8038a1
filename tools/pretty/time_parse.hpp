// SPDX-License-Identifier: MIT
// Reads the moment a timestamp member names, so that --time-format can show
// it in another layout.
#pragma once

#include <cstdint>
#include <string_view>

namespace tevra_pretty {

// An RFC 3339 date-time ("2025-03-01T10:15:30.5+01:00"; 't' or a space for
// 'T', 'z' for 'Z'; without a zone it is local time) or a number of
// seconds, milliseconds, microseconds or nanoseconds since the epoch (told
// apart by size). False when the text is none of these.
bool parse_time(std::string_view text, bool is_number, int64_t *sec, long *nsec);

}  // namespace tevra_pretty

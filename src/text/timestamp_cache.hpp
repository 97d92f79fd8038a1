// SPDX-License-Identifier: MIT
// The shared record's once-per-second cache of the line timestamp, filled
// by text/timestamp.cpp under `lock` and read by every thread without it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tev {

// A sequence lock: `seq` is odd while the writer (who holds `lock`)
// changes the entry; a reader loads `seq`, the members and `seq` again and
// trusts the copy only when both loads saw the same even value. Every
// member is touched through atomic views.
struct TimestampCache {
    uint32_t seq;
    uint32_t len;       // 0 while empty; at most 63
    int64_t sec;        // the second the text shows
    uint64_t text[8];   // the text escaped for the line, NUL-padded words
};

}  // namespace tev

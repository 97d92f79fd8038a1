// SPDX-License-Identifier: MIT
// Gathers the pieces a sink receives into whole lines. The library hands a
// line longer than its buffer over in several writes; message-oriented
// sinks (syslog, the journal) must send it as one message.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "tevra.h"

namespace tev {

struct LineAssembler {
    char *data = nullptr;
    size_t len = 0;
    size_t cap = 0;
};

// Appends bytes; false (keeping what it had) when memory runs out.
bool assembler_append(LineAssembler *a, const char *src, size_t n);
void assembler_release(LineAssembler *a);

// Feeds `len` bytes and calls send(std::string_view line) for every line
// they complete, without its newline. Returns the first non-zero result of
// send, or ENOMEM when a partial line could not be kept; every byte is
// consumed either way, so a failed line is never sent twice.
template <class Send>
int assembler_feed(LineAssembler *a, const char *src, size_t len, Send &&send) {
    int first_error = 0;
    while (len > 0) {
        const auto *nl = static_cast<const char *>(std::memchr(src, '\n', len));
        const size_t take = nl != nullptr ? static_cast<size_t>(nl - src) : len;
        if (nl == nullptr) {
            if (!assembler_append(a, src, take) && first_error == 0) first_error = ENOMEM;
            return first_error;
        }
        int rc;
        if (a->len == 0) {
            // The usual case: the whole line came in one piece, no copy.
            rc = send(std::string_view(src, take));
        } else if (assembler_append(a, src, take)) {
            rc = send(std::string_view(a->data, a->len));
        } else {
            rc = ENOMEM;
        }
        a->len = 0;
        if (rc != 0 && first_error == 0) first_error = rc;
        src += take + 1;
        len -= take + 1;
    }
    return first_error;
}

}  // namespace tev

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

// At close: a last line that never got its newline still goes out. The
// result of send, or 0 when nothing was waiting.
template <class Send>
int assembler_finish(LineAssembler *a, Send &&send) {
    if (a->len == 0) return 0;
    const int rc = send(std::string_view(a->data, a->len));
    a->len = 0;
    return rc;
}

// The write and close operations of a sink that sends every line as one
// message: `Line` gathers the pieces, `Send` sends a completed line, `Free`
// gives back whatever else the sink holds, the sink itself included.
template <class Sink, LineAssembler Sink::*Line, int (*Send)(Sink *, std::string_view),
          void (*Free)(Sink *)>
struct AssembledSink {
    // Every byte is reported taken, so a line that failed is reported once
    // and never written again.
    static int write(void *user, const void *data, size_t len, size_t *written) {
        auto *s = static_cast<Sink *>(user);
        if (written != nullptr) *written = len;
        return assembler_feed(&(s->*Line), static_cast<const char *>(data), len,
                              [s](std::string_view line) { return Send(s, line); });
    }

    static int close(void *user) {
        auto *s = static_cast<Sink *>(user);
        if (s == nullptr) return 0;
        const int rc =
            assembler_finish(&(s->*Line), [s](std::string_view line) { return Send(s, line); });
        assembler_release(&(s->*Line));
        Free(s);
        return rc;
    }
};

}  // namespace tev

// SPDX-License-Identifier: MIT
// The output room as the other rooms use it: building output records for
// streams, descriptors and the service sinks, and destroying them. Each
// expects a non-NULL record; the exported functions check, then call these.
#pragma once

#include <cstdint>
#include <cstdio>

#include "tevra.h"

namespace tev {

// A stream sink; owned (closed with the record) when `owned`.
void output_from_fp(tevra_output *out, FILE *fp, bool owned);
// Closes an owned output and clears the record.
void output_destroy(tevra_output *out);

// Whether `out`, or an output inside it through tees, satisfies `match`.
// The first output of a tee is searched recursively and the second by
// walking on, which keeps the usual right-leaning chains iterative.
template <class Match>
bool any_through_tees(const tevra_output *out, const Match &match) {
    while (out != nullptr) {
        if (match(*out)) return true;
        if (out->write != &tevra_tee_write) return false;
        const auto *tee = static_cast<const tevra_tee *>(out->user_data);
        if (tee == nullptr) return false;
        if (any_through_tees(&tee->first, match)) return true;
        out = &tee->second;
    }
    return false;
}

// The descriptor sink's write: every byte or an error, `*written` telling
// how many went out.
int fd_write(void *user_data, const void *data, size_t len, size_t *written);

// The service and rotating sinks; 0 or an errno value.
int open_journald_output(tevra_output *out, const char *ident);
int open_syslog_output(tevra_output *out, const char *address, const char *ident, int facility);
int open_rotating_output(tevra_output *out, const char *path, uint64_t max_bytes, int every,
                         unsigned max_files, unsigned mode_bits);

}  // namespace tev

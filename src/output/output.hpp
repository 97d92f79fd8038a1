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

// The descriptor sink's write: every byte or an error, `*written` telling
// how many went out.
int fd_write(void *user_data, const void *data, size_t len, size_t *written);

// The service and rotating sinks; 0 or an errno value.
int open_journald_output(tevra_output *out, const char *ident);
int open_syslog_output(tevra_output *out, const char *address, const char *ident, int facility);
int open_rotating_output(tevra_output *out, const char *path, uint64_t max_bytes, int every,
                         unsigned max_files, unsigned mode_bits);

}  // namespace tev

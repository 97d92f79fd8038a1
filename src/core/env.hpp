// SPDX-License-Identifier: MIT
// The pieces of configuration from the environment: the small text parsers
// and the OUTPUT destination. env_parse.cpp depends on nothing but libc, so
// a fuzzer can build it on its own.
#pragma once

#include <string_view>

#include "tevra.h"

namespace tevra {

// Permission bits for files that OUTPUT opens when OUTPUT_FILE_MODE says
// nothing usable.
constexpr unsigned kDefaultFileMode = 0600;

// The text without leading and trailing white space (as the locale
// classifies it); a NULL text gives the empty view.
std::string_view trimmed(const char *text);

// Trims `text` into `dst` (at most size - 1 bytes, NUL-terminated) and
// lower-cases its ASCII letters, whatever the locale; returns `dst`.
char *trim_lower_copy(char *dst, size_t size, const char *text);

// Octal permission bits: digits 0-7, optionally led by "0o" or "0O", at
// most 0777. On success stores the bits and returns true; `bits` is left
// alone otherwise.
[[nodiscard]] bool parse_file_mode(std::string_view text, unsigned *bits);

// Line buffer sizes a deployment may choose.
constexpr size_t kMinBufferSize = 64;
constexpr size_t kMaxBufferSize = 1048576;

// A byte count in decimal digits within [kMinBufferSize, kMaxBufferSize].
// On success stores it and returns true; `size` is left alone otherwise.
[[nodiscard]] bool parse_buffer_size(std::string_view text, size_t *size);

struct OutputOutcome {
    bool failed;  // the destination could not be set up
    int error;    // the errno value of the failed call, or -1
};

// Applies a trimmed, non-empty OUTPUT value to cfg->output, opening files
// with `file_mode`. On failure cfg->output is what it was before.
OutputOutcome apply_output(tevra_config *cfg, std::string_view value, unsigned file_mode);

}  // namespace tevra

// SPDX-License-Identifier: MIT
// The pieces of configuration from the environment: the small text parsers
// and the OUTPUT destination. env_parse.cpp depends on nothing but libc, so
// a fuzzer can build it on its own.
#pragma once

#include <string_view>

#include "tevra.h"

namespace tev {

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

// A level or boolean word, trimmed and in any case; 1 with the value
// stored, 0 with it left alone. Both expect non-NULL pointers.
int parse_level(const char *text, int *level);
int parse_bool(const char *text, int *value);

// A root logger configured by the environment variables under `prefix`
// on top of `base` (NULL: the defaults).
tevra_logger *new_from_env(const char *prefix, const tevra_config *base);

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

// What the OUTPUT value's destinations are opened with, besides its text.
struct OutputOptions {
    unsigned file_mode;  // permission bits of created files
    const char *ident;   // SYSLOG_IDENT: syslog and journal identifier, NULL = program
    const char *facility;  // SYSLOG_FACILITY text, NULL = user
    const char *max_size;   // OUTPUT_MAX_SIZE, OUTPUT_ROTATE and
    const char *rotate;     // OUTPUT_MAX_FILES: a file with either of the
    const char *max_files;  // first two rotates; NULL = unset
};

// Applies a trimmed, non-empty OUTPUT value to cfg->output, opening files
// with `options.file_mode`. On failure cfg->output is what it was before.
OutputOutcome apply_output(tevra_config *cfg, std::string_view value, const OutputOptions &options);

// Opens the file an OUTPUT value names: rotating when OUTPUT_MAX_SIZE or
// OUTPUT_ROTATE is set, following its path otherwise. 0 or an errno value
// (EINVAL for a rotation setting that does not parse).
int open_output_file(const char *path, const OutputOptions &options, tevra_output *out);

// OUTPUT values naming a service rather than a file: "syslog:...",
// "syslog://...", "syslog+tcp://...", "journald:".
bool is_service_output(std::string_view value);
// Opens such a destination; 0 or an errno value (EINVAL for an unknown
// SYSLOG_FACILITY).
int open_service_output(std::string_view value, const OutputOptions &options, tevra_output *out);

}  // namespace tev

// SPDX-License-Identifier: MIT
// The encoder table: what a line looks like is decided once, when the root
// logger is created, by choosing one of these tables (JSON plain, JSON
// coloured, console); every event and every derived logger then goes
// through the record's table without asking the mode or colour again.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "tevra.h"

namespace tev {

struct Encoder {
    // One whole line from the call's field records, handed to the output.
    void (*fields_line)(const tevra_logger_state *state, int level, const char *msg,
                        const tevra_field *fields, size_t count);
    // One whole line from a parsed template, reading its arguments from `args`
    // (the caller's list is left where it was).
    void (*template_line)(const tevra_logger_state *state, int level, const char *msg,
                          const tevra_kvfmt_layout &layout, int saved_errno, va_list args);
    // The bound fields of a derived logger, as every one of its lines
    // carries them after the message.
    void (*bound_fields)(tevra_shared *s, tevra_buffer *b, const tevra_field *fields,
                         size_t count);
    // Pre-renders the texts this encoder's lines repeat (after the record's
    // palette, mode and colour are set).
    void (*build_literals)(tevra_shared *s);
};

// The tables, defined by the rooms that render them.
namespace json {
extern const Encoder kPlainEncoder;
extern const Encoder kColorEncoder;
}  // namespace json
namespace console {
extern const Encoder kEncoder;
}  // namespace console

inline const Encoder *select_encoder(int mode, int color) {
    if (mode != TEVRA_MODE_JSON) return &console::kEncoder;
    return color ? &json::kColorEncoder : &json::kPlainEncoder;
}

}  // namespace tev

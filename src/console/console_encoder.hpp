// SPDX-License-Identifier: MIT
// What the console encoder's files share: palette colours by role, the text
// and colour of a field value by kind, and the head and tail that every
// console line has, whether its pairs come from fields or a template.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "text/console_string.hpp"
#include "core/kind_table.hpp"
#include "core/level_table.hpp"
#include "core/shared.hpp"
#include "text/buffer_fast.hpp"
#include "text/field_record.hpp"

namespace tev::console {

// Palette colours come from the shared record's slot table.
using tev::Color;
using tev::color;

// The level's colour from the level table; unknown codes take info's.
inline Color level_color(const tevra_shared *s, int level) {
    return color(s, level_row(level).color);
}

// A slot's colour; absent for kNoColor.
inline Color color_or_none(const tevra_shared *s, ColorSlot slot) {
    return slot == kNoColor ? Color{} : color(s, slot);
}

inline void put_color(tevra_buffer *b, Color c) {
    if (c.present()) put(b, c.text, c.len);
}

// The value colour of a field kind; absent for codes the enumeration does
// not name.
Color value_color(const tevra_shared *s, uint32_t kind);
// The value text of a field, the same with colour on or off.
void append_value(tevra_buffer *b, const tevra_field &f);
// The message of an errno number, bare when it can stand bare.
void append_errno_text(tevra_buffer *b, int err);

// Level fragments and the message lead-in, built once at creation.
void build_literals(tevra_shared *s);
// The level fragment built at creation; unknown codes take info's.
void append_level_label(const tevra_shared *s, tevra_buffer *b, int level);
// The space (and message colour) before the message text.
void append_message_lead_in(const tevra_shared *s, tevra_buffer *b);

// One ` key=value` group, through the shared field cache when it can be.
void append_field(tevra_shared *s, tevra_buffer *b, const tevra_field &f);

// One ` key=value` group per field with a key, in order; NULL writes nothing.
void append_fields(tevra_shared *s, tevra_buffer *b, const tevra_field *fields, size_t count);

// Everything before the call's own pairs: timestamp, level fragment,
// message and the logger's bound fields.
void begin_line(const tevra_logger_state *state, tevra_buffer *b, int level, const char *msg);
// The "loglevel" group, the final reset, the line feed and the write.
void end_line(const tevra_logger_state *state, tevra_buffer *b);

// Whole lines: from field records (console_line.cpp) and from a template's
// items and arguments (console_kvfmt.cpp).
void emit_fields_line(const tevra_logger_state *state, int level, const char *msg,
                      const tevra_field *fields, size_t count);
void emit_template_line(const tevra_logger_state *state, int level, const char *msg,
                        const tevra_kvfmt_layout *layout, int saved_errno, va_list args);

}  // namespace tev::console

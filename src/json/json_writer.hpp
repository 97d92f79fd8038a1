// SPDX-License-Identifier: MIT
// The JSON encoder's internal writers, shared by field lines, coloured lines
// and template lines. Each writer takes `color`: false writes the plain
// form, true places the palette's escapes around exactly the same tokens.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/shared.hpp"
#include "text/buffer_fast.hpp"

namespace tev::json {

// Which built-in member a coloured level writer renders.
enum LevelSelector : int { kLevelMember = 0, kLoglevelMember = 1 };

// --- palette access (json_color_literals.cpp) ---

// One role's escape, with the length measured at creation; empty when the
// role has no colour or there is no shared record.
std::string_view palette_color(const tevra_shared *s, ColorSlot slot);

// A value's opening escape and its closing reset, on coloured lines only.
inline void open_value(const tevra_shared *s, tevra_buffer *b, ColorSlot slot, bool color) {
    if (color) put(b, palette_color(s, slot));
}
inline void close_value(const tevra_shared *s, tevra_buffer *b, bool color) {
    if (color) put(b, palette_color(s, kReset));
}

// The pieces of the coloured built-in members, rendered on the fly. The
// literal builder renders through the same functions, so a stored literal
// and its fallback are the same bytes.
void render_time_open(const tevra_shared *s, tevra_buffer *b);
void render_time_close(const tevra_shared *s, tevra_buffer *b);
void render_message_open(const tevra_shared *s, tevra_buffer *b);
void render_level_member(const tevra_shared *s, tevra_buffer *b, int level, LevelSelector which);
// Stores the coloured built-in members' literals in the shared record.
void build_color_literals(tevra_shared *s);

// --- values and members (json_members.cpp) ---

// A quote, n bytes, a quote; NULL or n 0 gives "".
void put_quoted(tevra_buffer *b, const char *text, size_t n);

void append_key(tevra_buffer *b, const tevra_field &f);
// A text of unknown trust (messages, template strings); NULL gives "".
void append_text_value(const tevra_shared *s, tevra_buffer *b, const char *text, bool color);
void append_signed_value(const tevra_shared *s, tevra_buffer *b, int64_t v, bool color);
void append_unsigned_value(const tevra_shared *s, tevra_buffer *b, uint64_t v, bool color);
void append_double_value(const tevra_shared *s, tevra_buffer *b, double v, bool color);
void append_bool_value(const tevra_shared *s, tevra_buffer *b, bool v, bool color);
void append_pointer_value(const tevra_shared *s, tevra_buffer *b, const void *p, bool color);
void append_errno_value(const tevra_shared *s, tevra_buffer *b, int err, bool color);
void append_field_value(const tevra_shared *s, tevra_buffer *b, const tevra_field &f, bool color);

// Key, colon and value, led by ',' unless `first`.
void append_field_member(const tevra_shared *s, tevra_buffer *b, const tevra_field &f, bool color,
                         bool first = false);
// Every field with a key, in order; a NULL array writes nothing.
void append_fields(const tevra_shared *s, tevra_buffer *b, const tevra_field *fields, size_t count,
                   bool color);
void append_plain_message_member(const tevra_shared *s, tevra_buffer *b, const char *msg);

// --- coloured built-in members (json_color_line.cpp) ---

void append_color_timestamp_member(tevra_shared *s, tevra_buffer *b);
void append_color_level_member(const tevra_shared *s, tevra_buffer *b, int level,
                               LevelSelector which);
void append_color_message_member(const tevra_shared *s, tevra_buffer *b, const char *msg);

// --- the line skeleton (json_line.cpp) ---

// Initialises `b` bound to the state's shared record and writes '{', the
// timestamp, the level, the message and the bound fields.
void open_line(const tevra_logger_state *state, tevra_buffer *b, int level, const char *msg,
               bool color);
// Writes the "loglevel" member and '}', hands the line to the output and
// releases the buffer.
void close_line(const tevra_logger_state *state, tevra_buffer *b, bool color);
// One whole line whose members are the given field records.
void emit_fields_line(const tevra_logger_state *state, int level, const char *msg,
                      const tevra_field *fields, size_t count, bool color);

// --- template lines (json_kvfmt.cpp) ---

// One whole line whose members come from the template's items.
void emit_template_line(const tevra_logger_state *state, int level, const char *msg,
                        const tevra_kvfmt_layout *layout, int saved_errno, va_list args, bool color);

}  // namespace tev::json

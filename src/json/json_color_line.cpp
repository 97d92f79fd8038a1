// SPDX-License-Identifier: MIT
// Coloured JSON lines: the built-in members from the literals stored at
// creation (or rendered on the fly when a literal did not fit), and the
// exported coloured writers. Values and the line layout are shared with
// plain lines.
#include "text/values.hpp"
#include "text/json_string.hpp"
#include "json/json_writer.hpp"

namespace tev::json {

void append_color_timestamp_member(tevra_shared *s, tevra_buffer *b) {
    const JsonColorLiterals &lit = s->json_color_literals;
    if (lit.time_open_len != 0 && lit.time_close_len != 0) {
        put(b, lit.time_open, lit.time_open_len);
        tev::append_timestamp(s, b);
        put(b, lit.time_close, lit.time_close_len);
        return;
    }
    render_time_open(s, b);
    tev::append_timestamp(s, b);
    render_time_close(s, b);
}

void append_color_level_member(const tevra_shared *s, tevra_buffer *b, int level,
                               LevelSelector which) {
    const JsonColorLiterals &lit = s->json_color_literals;
    const int i = level_index(level);
    const size_t len = which == kLoglevelMember ? lit.loglevel_member_lens[i] : lit.level_member_lens[i];
    if (len != 0) {
        put(b, which == kLoglevelMember ? lit.loglevel_members[i] : lit.level_members[i], len);
        return;
    }
    // Rendered for the level the stored literal stands for, so a code
    // outside trace..nolevel (127 included) reads "info" whether or not
    // the palette let the literal be stored.
    render_level_member(s, b, i - 1, which);
}

void append_color_message_member(const tevra_shared *s, tevra_buffer *b, const char *msg) {
    const JsonColorLiterals &lit = s->json_color_literals;
    put_char(b, ',');
    if (lit.message_open_len != 0) {
        put(b, lit.message_open, lit.message_open_len);
    } else {
        render_message_open(s, b);
    }
    tev::append_json_string_maybe_trusted(b, msg);
    put(b, palette_color(s, kReset));
}

}  // namespace tev::json

extern "C" {

void tevra_emit_json_color(const tevra_logger_state *state, int level, const char *msg,
                           const tevra_field *fields, size_t count) {
    if (state == nullptr || state->shared == nullptr) return;
    tev::json::emit_fields_line(state, level, msg, fields, count, true);
}

void tevra_append_json_field_color(tevra_shared *shared, tevra_buffer *buf,
                                   const tevra_field *field, int first) {
    if (!tev::usable(buf) || field == nullptr) return;
    tev::json::append_field_member(shared, buf, *field, true, first != 0);
}

void tevra_append_json_message_field_color(tevra_shared *shared, tevra_buffer *buf,
                                           const char *msg) {
    if (shared == nullptr || !tev::usable(buf)) return;
    tev::json::append_color_message_member(shared, buf, msg);
}

void tevra_append_json_timestamp_field_color(tevra_shared *shared, tevra_buffer *buf) {
    if (shared == nullptr || !tev::usable(buf)) return;
    tev::json::append_color_timestamp_member(shared, buf);
}

void tevra_append_json_level_field_color_cached_or_dynamic(tevra_shared *shared, tevra_buffer *buf,
                                                           int level, int selector) {
    if (shared == nullptr || !tev::usable(buf)) return;
    const auto which = selector == 1 ? tev::json::kLoglevelMember : tev::json::kLevelMember;
    tev::json::append_color_level_member(shared, buf, level, which);
}

}  // extern "C"

// SPDX-License-Identifier: MIT
// The layout of one JSON line, shared by field lines, coloured lines and
// template lines: '{', timestamp, level, message, bound fields, then the
// caller's members, "loglevel" and '}'. Also the two JSON encoder tables.
#include "text/buffer.hpp"
#include "text/values.hpp"
#include "core/core.hpp"
#include "core/encoder.hpp"
#include "json/json_constants.hpp"
#include "json/json_writer.hpp"

namespace tev::json {
namespace {

void append_plain_timestamp_member(tevra_shared *s, tevra_buffer *b) {
    put(b, key_fragments(s->verbose_fields != 0).time);
    // The timestamp writer gives bare text; the quotes are ours.
    put_char(b, '"');
    tev::append_timestamp(s, b);
    put_char(b, '"');
}

// The logger's own threshold, not the event's level.
void append_plain_loglevel_member(const tevra_shared *s, tevra_buffer *b, int level) {
    tevra_field f{};
    f.key = "loglevel";
    f.key_len = 8;
    f.key_trusted = 1;
    f.kind = TEVRA_FIELD_STRING;
    f.value.str = tev::level_name(level).data();
    f.value_len = tev::level_name(level).size();
    f.value_trusted = 1;
    f.value_console_simple = 1;
    append_field_member(s, b, f, false);
}

}  // namespace

void open_line(const tevra_logger_state *state, tevra_buffer *b, int level, const char *msg,
               bool color) {
    tevra_shared *s = state->shared;
    tev::buffer_init(b, s, s->buffer_size);
    put_char(b, '{');
    if (s->timestamps) {
        if (color) {
            append_color_timestamp_member(s, b);
        } else {
            append_plain_timestamp_member(s, b);
        }
        put_char(b, ',');
    }
    if (color) {
        append_color_level_member(s, b, level, kLevelMember);
    } else {
        put(b, level_member(level, s->verbose_fields != 0));
    }
    // An empty message leaves no member at all.
    if (msg != nullptr && msg[0] != '\0') {
        if (color) {
            append_color_message_member(s, b, msg);
        } else {
            append_plain_message_member(s, b, msg);
        }
    }
    if (state->prefix != nullptr && state->prefix_len != 0) {
        put(b, state->prefix, state->prefix_len);
    } else {
        append_fields(s, b, state->fields, state->field_count, color);
    }
}

void close_line(const tevra_logger_state *state, tevra_buffer *b, bool color) {
    tevra_shared *s = state->shared;
    if (state->level_field) {
        if (color) {
            put_char(b, ',');
            append_color_level_member(s, b, state->level, kLoglevelMember);
        } else {
            append_plain_loglevel_member(s, b, state->level);
        }
    }
    put_char(b, '}');
    tev::buffer_finish_line(b);
    // Releases write_lock too when a long line flushed part of itself.
    tev::write_buffer(s, b);
    tev::buffer_destroy(b);
}

void emit_fields_line(const tevra_logger_state *state, int level, const char *msg,
                      const tevra_field *fields, size_t count, bool color) {
    tevra_buffer b;
    open_line(state, &b, level, msg, color);
    append_fields(state->shared, &b, fields, count, color);
    close_line(state, &b, color);
}

namespace {

// The encoder tables' operations, one instance per colour so that the
// colour tests fold away inside each.
template <bool Color>
void fields_line(const tevra_logger_state *state, int level, const char *msg,
                 const tevra_field *fields, size_t count) {
    emit_fields_line(state, level, msg, fields, count, Color);
}

template <bool Color>
void template_line(const tevra_logger_state *state, int level, const char *msg,
                   const tevra_kvfmt_layout &layout, int saved_errno, va_list args) {
    emit_template_line(state, level, msg, &layout, saved_errno, args, Color);
}

template <bool Color>
void bound_fields(tevra_shared *s, tevra_buffer *b, const tevra_field *fields, size_t count) {
    append_fields(s, b, fields, count, Color);
}

// Plain lines repeat no text that is not a compile-time constant.
void no_literals(tevra_shared *) {}

}  // namespace

const Encoder kPlainEncoder{&fields_line<false>, &template_line<false>, &bound_fields<false>,
                            &no_literals};
const Encoder kColorEncoder{&fields_line<true>, &template_line<true>, &bound_fields<true>,
                            &build_color_literals};

}  // namespace tev::json

extern "C" {

void tevra_emit_json(const tevra_logger_state *state, int level, const char *msg,
                     const tevra_field *fields, size_t count) {
    if (state == nullptr || state->shared == nullptr) return;
    tev::json::emit_fields_line(state, level, msg, fields, count, state->shared->color != 0);
}

void tevra_emit_json_plain(const tevra_logger_state *state, int level, const char *msg,
                           const tevra_field *fields, size_t count) {
    if (state == nullptr || state->shared == nullptr) return;
    tev::json::emit_fields_line(state, level, msg, fields, count, false);
}

}  // extern "C"

// SPDX-License-Identifier: MIT
// One console line from field records: timestamp, level label, message,
// the logger's bound fields, the call's fields and the optional "loglevel"
// group, rendered on the caller's stack and written whole. Also the console
// encoder table.
#include "text/buffer.hpp"
#include "text/values.hpp"
#include "text/console_string.hpp"
#include "core/core.hpp"
#include "console/console_encoder.hpp"
#include "core/encoder.hpp"
#include "core/shared.hpp"
#include "text/buffer_fast.hpp"

namespace tev::console {
namespace {

// One array with static storage, so the group always finds its cache entry
// by the same address.
constexpr char kLoglevelKey[] = "loglevel";

}  // namespace

void begin_line(const tevra_logger_state *state, tevra_buffer *b, int level, const char *msg) {
    tevra_shared *s = state->shared;
    if (s->timestamps) {
        // No reset after the timestamp: the level fragment's colour follows.
        if (s->color) put_color(b, color(s, kTimestampColor));
        tev::append_timestamp(s, b);
        put_char(b, ' ');
    }
    append_level_label(s, b, level);
    // Without a message the first group follows the label directly.
    if (msg != nullptr && msg[0] != '\0') {
        append_message_lead_in(s, b);
        tev::append_console_message(b, msg);
    }
    if (state->prefix != nullptr && state->prefix_len != 0) {
        put(b, state->prefix, state->prefix_len);
    } else if (state->field_count != 0) {
        append_fields(s, b, state->fields, state->field_count);
    }
}

void end_line(const tevra_logger_state *state, tevra_buffer *b) {
    tevra_shared *s = state->shared;
    if (state->level_field) {
        // The logger's own threshold, not the event's level.
        tevra_field f{};
        f.key = kLoglevelKey;
        f.key_len = sizeof kLoglevelKey - 1;
        f.key_trusted = 1;
        f.kind = TEVRA_FIELD_STRING;
        f.value.str = tev::level_name(state->level).data();
        f.value_len = tev::level_name(state->level).size();
        f.value_trusted = 1;
        f.value_console_simple = 1;
        append_field(s, b, f);
    }
    if (s->color) put_color(b, color(s, kReset));
    tev::buffer_finish_line(b);
    tev::write_buffer(s, b);
    tev::buffer_destroy(b);
}

void emit_fields_line(const tevra_logger_state *state, int level, const char *msg,
                      const tevra_field *fields, size_t count) {
    tevra_shared *s = state->shared;
    tevra_buffer b;
    tev::buffer_init(&b, s, s->buffer_size);
    begin_line(state, &b, level, msg);
    if (count != 0) append_fields(s, &b, fields, count);
    end_line(state, &b);
}

namespace {

void template_line(const tevra_logger_state *state, int level, const char *msg,
                   const tevra_kvfmt_layout &layout, int saved_errno, va_list args) {
    emit_template_line(state, level, msg, &layout, saved_errno, args);
}

}  // namespace

const Encoder kEncoder{&emit_fields_line, &template_line, &append_fields, &build_literals};

}  // namespace tev::console

extern "C" {

void tevra_emit_console(const tevra_logger_state *state, int level, const char *msg,
                        const tevra_field *fields, size_t count) {
    if (state == nullptr || state->shared == nullptr) return;
    tev::console::emit_fields_line(state, level, msg, fields, count);
}

}  // extern "C"

// SPDX-License-Identifier: MIT
// JSON lines from a parsed kvfmt template: the line is laid out as for
// field records, and each template item takes its value straight from the
// argument list, without building a field record.
#include <cstdarg>

#include "json/json_writer.hpp"
#include "text/json_string.hpp"

namespace tev::json {
namespace {

void append_entry_key(const tevra_shared *s, tevra_buffer *b, const tevra_kvfmt_entry &e,
                      bool color) {
    if (e.json_key_len != 0) {
        // Pre-rendered with the key colour when the logger is coloured.
        put(b, e.json_key, e.json_key_len);
        return;
    }
    if (color) put(b, palette_color(s, kKeyColor));
    // The grammar keeps quotes, backslashes and control bytes out of a key
    // but lets any byte above 0x7F in, so a key that is not UTF-8 is
    // escaped, exactly as its pre-rendered text is.
    append_json_string_maybe_trusted_n(b, e.key, e.key_len);
    put_char(b, ':');
}

// `args` points at the caller's own copy of the list, so that every item
// reads the next argument.
void append_entries(const tevra_shared *s, tevra_buffer *b, const tevra_kvfmt_layout &layout,
                    int saved_errno, va_list *args, bool color) {
    const uint32_t count = layout.count < TEVRA_KVFMT_MAX_ITEMS ? layout.count : TEVRA_KVFMT_MAX_ITEMS;
    for (uint32_t i = 0; i < count; ++i) {
        const tevra_kvfmt_entry &e = layout.entries[i];
        put_char(b, ',');
        append_entry_key(s, b, e, color);
        switch (e.verb) {
            case TEVRA_KVFMT_STRING:
                append_text_value(s, b, va_arg(*args, const char *), color);
                break;
            case TEVRA_KVFMT_INT:
                append_signed_value(s, b, va_arg(*args, int), color);
                break;
            case TEVRA_KVFMT_LONG:
                append_signed_value(s, b, va_arg(*args, long), color);
                break;
            case TEVRA_KVFMT_UINT:
                append_unsigned_value(s, b, va_arg(*args, unsigned int), color);
                break;
            case TEVRA_KVFMT_ULONG:
                append_unsigned_value(s, b, va_arg(*args, unsigned long), color);
                break;
            case TEVRA_KVFMT_DOUBLE:
                append_double_value(s, b, va_arg(*args, double), color);
                break;
            case TEVRA_KVFMT_POINTER:
                append_pointer_value(s, b, va_arg(*args, void *), color);
                break;
            case TEVRA_KVFMT_BOOL:
                append_bool_value(s, b, va_arg(*args, int) != 0, color);
                break;
            case TEVRA_KVFMT_ERRNO:
                // The value saved on entry, before the library touched errno.
                append_errno_value(s, b, saved_errno, color);
                break;
            default: {
                // Never produced by the parser; nothing is read for it.
                const tevra_field none{};
                append_field_value(s, b, none, color);
                break;
            }
        }
    }
}

}  // namespace

void emit_template_line(const tevra_logger_state *state, int level, const char *msg,
                        const tevra_kvfmt_layout *layout, int saved_errno, va_list args, bool color) {
    tevra_buffer b;
    open_line(state, &b, level, msg, color);
    if (layout != nullptr) {
        va_list own;
        va_copy(own, args);
        append_entries(state->shared, &b, *layout, saved_errno, &own, color);
        va_end(own);
    }
    close_line(state, &b, color);
}

}  // namespace tev::json

extern "C" {

void tevra_emit_json_kvfmt(const tevra_logger_state *state, int level, const char *msg,
                           const tevra_kvfmt_layout *layout, int saved_errno, va_list args) {
    if (state == nullptr || state->shared == nullptr) return;
    tev::json::emit_template_line(state, level, msg, layout, saved_errno, args,
                                  state->shared->color != 0);
}

}  // extern "C"

// SPDX-License-Identifier: MIT
// One console line from a parsed kvfmt template and its arguments, read
// straight from the argument list without building field records. The
// line has the shape of a field-record line, with the template's pairs in
// place of the call's fields.
#include <cstdarg>

#include "text/buffer.hpp"
#include "text/values.hpp"
#include "text/console_string.hpp"
#include "console/console_encoder.hpp"
#include "console/key_lead_in.hpp"
#include "core/shared.hpp"
#include "text/buffer_fast.hpp"

namespace tev::console {
namespace {

// The entry's key lead-in: the text the layout stored at caching, or the
// same bytes built now for keys too long to have one stored.
void write_key_lead_in(const tevra_shared *s, tevra_buffer *b, const tevra_kvfmt_entry &e) {
    if (e.console_prefix_len != 0) {
        put(b, e.console_prefix, e.console_prefix_len);
        return;
    }
    build_key_lead_in(
        s, [b](const char *text, size_t n) { put(b, text, n); },
        [&] { put(b, e.key, e.key_len); }, verb_lead_in_color(e.verb), LeadInSpace::kAfterReset);
}

// Reads the verb's argument (none for %m) and writes its text.
void write_value(const tevra_shared *s, tevra_buffer *b, uint32_t verb, int saved_errno,
                 va_list *args) {
    switch (verb) {
        case TEVRA_KVFMT_STRING:
            // NULL reads as the empty string, which writes nothing.
            if (const char *text = va_arg(*args, const char *); text != nullptr) {
                tev::append_console_string(b, text);
            }
            break;
        case TEVRA_KVFMT_INT:
            tev::append_signed(b, va_arg(*args, int));
            break;
        case TEVRA_KVFMT_LONG:
            tev::append_signed(b, va_arg(*args, long));
            break;
        case TEVRA_KVFMT_UINT:
            tev::append_unsigned(b, va_arg(*args, unsigned int));
            break;
        case TEVRA_KVFMT_ULONG:
            tev::append_unsigned(b, va_arg(*args, unsigned long));
            break;
        case TEVRA_KVFMT_DOUBLE:
            tev::append_double(b, va_arg(*args, double));
            break;
        case TEVRA_KVFMT_POINTER:
            tev::append_pointer(b, va_arg(*args, void *));
            break;
        case TEVRA_KVFMT_BOOL:
            if (va_arg(*args, int) != 0) {
                put(b, "true", 4);
            } else {
                put(b, "false", 5);
            }
            break;
        case TEVRA_KVFMT_ERRNO:
            // %m's colour comes with its text, not in the ` key=` text.
            if (s->color) put_color(b, value_color(s, TEVRA_FIELD_ERRNO));
            append_errno_text(b, saved_errno);
            break;
        default:
            // The parser admits no other verb; reading nothing keeps the
            // remaining arguments where their items expect them.
            break;
    }
}

void write_pairs(const tevra_shared *s, tevra_buffer *b, const tevra_kvfmt_layout &layout,
                 int saved_errno, va_list args) {
    va_list ap;
    va_copy(ap, args);
    const uint32_t count =
        layout.count < TEVRA_KVFMT_MAX_ITEMS ? layout.count : uint32_t{TEVRA_KVFMT_MAX_ITEMS};
    for (uint32_t i = 0; i < count; ++i) {
        const tevra_kvfmt_entry &e = layout.entries[i];
        write_key_lead_in(s, b, e);
        write_value(s, b, e.verb, saved_errno, &ap);
    }
    va_end(ap);
}

}  // namespace

void emit_template_line(const tevra_logger_state *state, int level, const char *msg,
                        const tevra_kvfmt_layout *layout, int saved_errno, va_list args) {
    tevra_shared *s = state->shared;
    tevra_buffer b;
    tev::buffer_init(&b, s, s->buffer_size);
    begin_line(state, &b, level, msg);
    if (layout != nullptr && layout->count != 0) write_pairs(s, &b, *layout, saved_errno, args);
    end_line(state, &b);
}

}  // namespace tev::console

extern "C" {

void tevra_emit_console_kvfmt(const tevra_logger_state *state, int level, const char *msg,
                              const tevra_kvfmt_layout *layout, int saved_errno, va_list args) {
    if (state == nullptr || state->shared == nullptr) return;
    tev::console::emit_template_line(state, level, msg, layout, saved_errno, args);
}

}  // extern "C"

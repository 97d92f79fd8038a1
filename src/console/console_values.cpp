// SPDX-License-Identifier: MIT
// The value half of a console ` key=value` group: its text by field kind,
// identical with colour on or off, and the palette colour that precedes it.
#include <cstdint>
#include <string_view>

#include "text/buffer.hpp"
#include "text/values.hpp"
#include "text/console_string.hpp"
#include "text/fields.hpp"
#include "console/console_encoder.hpp"
#include "core/kind_table.hpp"
#include "core/shared.hpp"
#include "text/buffer_fast.hpp"

namespace tev::console {
namespace {

constexpr size_t kErrnoText = 128;

void append_string(tevra_buffer *b, const tevra_field &f) {
    // A console-simple value is copied bare with its recorded length. The
    // length is recorded only for ASCII-trusted text, so a bare value of
    // other bytes ("Zürich") has none: it goes through the value writer,
    // which writes exactly the same bare bytes instead of losing them.
    if (f.value_console_simple && f.value_trusted && f.value_len != 0 && f.value.str != nullptr) {
        put(b, f.value.str, f.value_len);
        return;
    }
    if (f.value_sized) {
        append_console_string_n(b, f.value.str, f.value_len);
        return;
    }
    if (f.value.str != nullptr) tev::append_console_string(b, f.value.str);
}

void append_bytes(tevra_buffer *b, const tevra_field &f) {
    put_char(b, '"');
    if (f.value.bytes.data != nullptr && f.value.bytes.len != 0) {
        tev::buffer_append_bytes_hex(b, f.value.bytes.data, f.value.bytes.len);
    }
    put_char(b, '"');
}

}  // namespace

Color value_color(const tevra_shared *s, uint32_t kind) {
    return color_or_none(s, kind_row(kind).console_color);
}

void append_errno_text(tevra_buffer *b, int err) {
    char text[kErrnoText];
    const char *message = tev::errno_string(err, text, sizeof text);
    if (tev::string_is_console_simple(message)) {
        put(b, std::string_view(message));
    } else {
        tev::append_console_string(b, message);
    }
}

void append_value(tevra_buffer *b, const tevra_field &f) {
    switch (kind_code(f)) {
        case TEVRA_FIELD_NULL:
            put(b, "null", 4);
            break;
        case TEVRA_FIELD_STRING:
            append_string(b, f);
            break;
        case TEVRA_FIELD_INT64:
            tev::append_signed(b, f.value.i64);
            break;
        case TEVRA_FIELD_UINT64:
            tev::append_unsigned(b, f.value.u64);
            break;
        case TEVRA_FIELD_FLOAT64:
            tev::append_double(b, f.value.f64);
            break;
        case TEVRA_FIELD_BOOL:
            if (f.value.boolean) {
                put(b, "true", 4);
            } else {
                put(b, "false", 5);
            }
            break;
        case TEVRA_FIELD_POINTER:
            tev::append_pointer(b, f.value.ptr);
            break;
        case TEVRA_FIELD_BYTES:
            append_bytes(b, f);
            break;
        case TEVRA_FIELD_TIME:
            tev::append_time(b, f.value.time, 0);
            break;
        case TEVRA_FIELD_DURATION:
            tev::append_duration(b, f.value.duration, 0);
            break;
        case TEVRA_FIELD_ERRNO:
            // The errno number is the low 32 bits of the stored value.
            append_errno_text(b, static_cast<int>(static_cast<uint32_t>(f.value.u64)));
            break;
        default:
            // An unknown kind keeps its ` key=` and shows nothing.
            break;
    }
}

}  // namespace tev::console

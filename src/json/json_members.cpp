// SPDX-License-Identifier: MIT
// JSON members and values of field records, plain or coloured, and the
// writer of a derived logger's pre-rendered field prefix. The built-in
// members of a line (timestamp, level, message) live with the line layout.
#include <cstring>
#include <limits>
#include <string_view>

#include "text/buffer.hpp"
#include "text/values.hpp"
#include "core/kind_table.hpp"
#include "text/fields.hpp"
#include "text/field_record.hpp"
#include "json/json_constants.hpp"
#include "json/json_writer.hpp"
#include "text/json_string.hpp"
#include "text/number_text.hpp"

namespace tev::json {
namespace {

constexpr std::string_view kNull = "null";
constexpr std::string_view kTrue = "true";
constexpr std::string_view kFalse = "false";
// Non-finite doubles as JSON strings, already quoted: the words need no
// escaping, so this is what any of the string writers would produce.
constexpr std::string_view kNaN = R"("NaN")";
constexpr std::string_view kPlusInf = R"("+Inf")";
constexpr std::string_view kMinusInf = R"("-Inf")";
constexpr double kMaxFinite = std::numeric_limits<double>::max();

// The kind table's JSON colour of a value of this kind.
constexpr ColorSlot value_slot(uint32_t kind) { return kind_row(kind).json_color; }

void append_null_value(const tevra_shared *s, tevra_buffer *b, bool color) {
    open_value(s, b, value_slot(TEVRA_FIELD_NULL), color);
    put(b, kNull);
    close_value(s, b, color);
}

void append_string_field_value(const tevra_shared *s, tevra_buffer *b, const tevra_field &f,
                               bool color) {
    open_value(s, b, value_slot(TEVRA_FIELD_STRING), color);
    if (f.value_trusted) {
        put_quoted(b, f.value.str, f.value_len);
    } else if (f.value_sized) {
        // Exactly value_len bytes, written as the text writers below would
        // write the same bytes ending in a NUL.
        if (color) {
            append_json_string_maybe_trusted_n(b, f.value.str, f.value_len);
        } else {
            append_json_string_n(b, f.value.str, f.value_len);
        }
    } else if (color) {
        // Coloured lines take the writer for text of unknown trust, which
        // keeps a '[' of well-formed text raw; plain lines escape it.
        tev::append_json_string_maybe_trusted(b, f.value.str);
    } else {
        tev::append_json_string(b, f.value.str);
    }
    close_value(s, b, color);
}

void append_bytes_value(const tevra_shared *s, tevra_buffer *b, const void *data, size_t len,
                        bool color) {
    open_value(s, b, value_slot(TEVRA_FIELD_BYTES), color);
    put_char(b, '"');
    // A run without storage has nothing to show, whatever its length says.
    if (data != nullptr) tev::buffer_append_bytes_hex(b, data, len);
    put_char(b, '"');
    close_value(s, b, color);
}

// Stores the n bytes and returns their end.
char *store(char *out, const char *text, size_t n) {
    copy_bytes(out, text, n);
    return out + n;
}

char *store(char *out, std::string_view text) { return store(out, text.data(), text.size()); }

// The members whose bytes are known to need no escaping, written through a
// local pointer after one room check: a trusted key and a trusted string,
// a number, a bool or null, plain or in the palette's colours. Returns
// false, having written nothing, for everything else (and when the room
// runs short), which then takes the general writers.
bool append_member_fast(const tevra_shared *s, tevra_buffer *b, const tevra_field &f, bool color) {
    if (!f.key_trusted) return false;
    const int kind = kind_code(f);
    size_t value_room;
    switch (kind) {
        case TEVRA_FIELD_STRING:
            if (!f.value_trusted) return false;
            value_room = f.value_len + 2;
            break;
        case TEVRA_FIELD_INT64:
        case TEVRA_FIELD_UINT64:
            value_room = kIntegerTextRoom;
            break;
        case TEVRA_FIELD_FLOAT64: {
            // Rare: the words for non-finite values, and the null option,
            // take the general path.
            const double v = f.value.f64;
            if (v != v || v > kMaxFinite || v < -kMaxFinite) return false;
            value_room = kDoubleTextRoom;
            break;
        }
        case TEVRA_FIELD_BOOL:
            value_room = kFalse.size();
            break;
        case TEVRA_FIELD_NULL:
            value_room = kNull.size();
            break;
        default:
            return false;
    }
    std::string_view key_color, value_color, reset;
    if (color) {
        key_color = palette_color(s, kKeyColor);
        value_color = palette_color(s, value_slot(kind));
        reset = palette_color(s, kReset);
    }
    // ',' [key colour] '"' key '"' ':' [value colour] value [reset]
    const size_t room =
        f.key_len + 4 + value_room + key_color.size() + value_color.size() + reset.size();
    if (b->cap - b->len < room || room < value_room) return false;
    char *out = b->data + b->len;
    *out++ = ',';
    out = store(out, key_color);
    *out++ = '"';
    out = store(out, f.key, f.key_len);
    *out++ = '"';
    *out++ = ':';
    out = store(out, value_color);
    switch (kind) {
        case TEVRA_FIELD_STRING:
            *out++ = '"';
            out = store(out, f.value.str, f.value_len);
            *out++ = '"';
            break;
        case TEVRA_FIELD_INT64:
            out = write_signed(out, f.value.i64);
            break;
        case TEVRA_FIELD_UINT64:
            out = write_unsigned(out, f.value.u64);
            break;
        case TEVRA_FIELD_FLOAT64:
            out = write_finite_double(b->shared, out, f.value.f64);
            break;
        case TEVRA_FIELD_BOOL:
            out = f.value.boolean != 0 ? store(out, kTrue.data(), kTrue.size())
                                       : store(out, kFalse.data(), kFalse.size());
            break;
        default:
            out = store(out, kNull.data(), kNull.size());
            break;
    }
    out = store(out, reset);
    b->len = static_cast<size_t>(out - b->data);
    b->data[b->len] = '\0';
    return true;
}

}  // namespace

void put_quoted(tevra_buffer *b, const char *text, size_t n) {
    if (text == nullptr) n = 0;
    // One room check for the whole string; the slow path flushes or grows.
    if (b->cap - b->len > n + 1) {
        char *out = b->data + b->len;
        out[0] = '"';
        copy_bytes(out + 1, text, n);
        out[n + 1] = '"';
        b->len += n + 2;
        b->data[b->len] = '\0';
        return;
    }
    put_char(b, '"');
    put(b, text, n);
    put_char(b, '"');
}

void append_key(tevra_buffer *b, const tevra_field &f) {
    if (f.key_trusted) {
        put_quoted(b, f.key, f.key_len);
    } else {
        tev::append_json_string(b, f.key);
    }
    put_char(b, ':');
}

void append_text_value(const tevra_shared *s, tevra_buffer *b, const char *text, bool color) {
    open_value(s, b, value_slot(TEVRA_FIELD_STRING), color);
    tev::append_json_string_maybe_trusted(b, text);
    close_value(s, b, color);
}

void append_signed_value(const tevra_shared *s, tevra_buffer *b, int64_t v, bool color) {
    open_value(s, b, value_slot(TEVRA_FIELD_INT64), color);
    tev::append_signed(b, v);
    close_value(s, b, color);
}

void append_unsigned_value(const tevra_shared *s, tevra_buffer *b, uint64_t v, bool color) {
    open_value(s, b, value_slot(TEVRA_FIELD_UINT64), color);
    tev::append_unsigned(b, v);
    close_value(s, b, color);
}

void append_double_value(const tevra_shared *s, tevra_buffer *b, double v, bool color) {
    std::string_view word;
    if (v != v) {
        word = kNaN;
    } else if (v > kMaxFinite) {
        word = kPlusInf;
    } else if (v < -kMaxFinite) {
        word = kMinusInf;
    } else {
        open_value(s, b, value_slot(TEVRA_FIELD_FLOAT64), color);
        tev::append_double(b, v);
        close_value(s, b, color);
        return;
    }
    if (s != nullptr && s->non_finite_null) {
        append_null_value(s, b, color);
        return;
    }
    // The word is a JSON string and coloured as one.
    open_value(s, b, value_slot(TEVRA_FIELD_STRING), color);
    put(b, word);
    close_value(s, b, color);
}

void append_bool_value(const tevra_shared *s, tevra_buffer *b, bool v, bool color) {
    open_value(s, b, value_slot(TEVRA_FIELD_BOOL), color);
    put(b, v ? kTrue : kFalse);
    close_value(s, b, color);
}

void append_pointer_value(const tevra_shared *s, tevra_buffer *b, const void *p, bool color) {
    open_value(s, b, value_slot(TEVRA_FIELD_POINTER), color);
    put_char(b, '"');
    tev::append_pointer(b, p);
    put_char(b, '"');
    close_value(s, b, color);
}

void append_errno_value(const tevra_shared *s, tevra_buffer *b, int err, bool color) {
    char text[128];
    open_value(s, b, value_slot(TEVRA_FIELD_ERRNO), color);
    tev::append_json_string_maybe_trusted(b, tev::errno_string(err, text, sizeof text));
    close_value(s, b, color);
}

void append_field_value(const tevra_shared *s, tevra_buffer *b, const tevra_field &f, bool color) {
    switch (kind_code(f)) {
        case TEVRA_FIELD_STRING:
            append_string_field_value(s, b, f, color);
            return;
        case TEVRA_FIELD_INT64:
            append_signed_value(s, b, f.value.i64, color);
            return;
        case TEVRA_FIELD_UINT64:
            append_unsigned_value(s, b, f.value.u64, color);
            return;
        case TEVRA_FIELD_FLOAT64:
            append_double_value(s, b, f.value.f64, color);
            return;
        case TEVRA_FIELD_BOOL:
            append_bool_value(s, b, f.value.boolean != 0, color);
            return;
        case TEVRA_FIELD_POINTER:
            append_pointer_value(s, b, f.value.ptr, color);
            return;
        case TEVRA_FIELD_BYTES:
            append_bytes_value(s, b, f.value.bytes.data, f.value.bytes.len, color);
            return;
        case TEVRA_FIELD_TIME:
            open_value(s, b, value_slot(TEVRA_FIELD_TIME), color);
            tev::append_time(b, f.value.time, 1);
            close_value(s, b, color);
            return;
        case TEVRA_FIELD_DURATION:
            open_value(s, b, value_slot(TEVRA_FIELD_DURATION), color);
            tev::append_duration(b, f.value.duration, 1);
            close_value(s, b, color);
            return;
        case TEVRA_FIELD_ERRNO:
            // The number lives in the low 32 bits.
            append_errno_value(s, b, static_cast<int32_t>(static_cast<uint32_t>(f.value.i64)), color);
            return;
        case TEVRA_FIELD_NULL:
        default:
            // An unknown kind still leaves a well-formed member behind.
            append_null_value(s, b, color);
            return;
    }
}

void append_field_member(const tevra_shared *s, tevra_buffer *b, const tevra_field &f, bool color,
                         bool first) {
    if (!first) put_char(b, ',');
    // No reset after the key: the value's escape follows the colon.
    if (color) put(b, palette_color(s, kKeyColor));
    append_key(b, f);
    append_field_value(s, b, f, color);
}

void append_fields(const tevra_shared *s, tevra_buffer *b, const tevra_field *fields, size_t count,
                   bool color) {
    if (fields == nullptr) return;
    for (size_t i = 0; i < count; ++i) {
        const tevra_field &f = fields[i];
        if (!has_key(f)) continue;
        if (append_member_fast(s, b, f, color)) continue;
        append_field_member(s, b, f, color);
    }
}

void append_plain_message_member(const tevra_shared *s, tevra_buffer *b, const char *msg) {
    const bool verbose = s != nullptr && s->verbose_fields != 0;
    put_char(b, ',');
    put(b, key_fragments(verbose).message);
    tev::append_json_string_maybe_trusted(b, msg);
}

}  // namespace tev::json

extern "C" {

void tevra_append_json_field_plain(tevra_shared *shared, tevra_buffer *buf,
                                   const tevra_field *field, int first) {
    if (!tev::usable(buf) || field == nullptr) return;
    tev::json::append_field_member(shared, buf, *field, false, first != 0);
}

void tevra_append_json_value_plain(tevra_shared *shared, tevra_buffer *buf,
                                   const tevra_field *field) {
    if (!tev::usable(buf) || field == nullptr) return;
    tev::json::append_field_value(shared, buf, *field, false);
}

void tevra_append_json_message_field_plain(tevra_shared *shared, tevra_buffer *buf,
                                           const char *msg) {
    if (!tev::usable(buf)) return;
    tev::json::append_plain_message_member(shared, buf, msg);
}

void tevra_append_json_field_prefix(tevra_shared *shared, tevra_buffer *buf,
                                    const tevra_field *fields, size_t count) {
    if (shared == nullptr || !tev::usable(buf)) return;
    // Coloured exactly when the lines that paste it are, since `color`
    // never changes after creation.
    tev::json::append_fields(shared, buf, fields, count, shared->color != 0);
}

}  // extern "C"

// SPDX-License-Identifier: MIT
// Turns a resolved template and its arguments into field records, for
// derived loggers and for applications (tevra_parse_kvfmt). The encoders
// read arguments straight from the list instead.
#include <cstdarg>
#include <cstring>

#include "core/kind_table.hpp"
#include "core/shared.hpp"
#include "kvfmt/kvfmt.hpp"
#include "text/fields.hpp"
#include "text/utf8.hpp"

namespace tev::kvfmt {
namespace {

constexpr char kEmpty[] = "";

void string_value(tevra_field &f, const char *s, bool json_mode) {
    if (s == nullptr) {
        f.value.str = kEmpty;
        f.value_trusted = 1;
        return;
    }
    f.value.str = s;
    bool trusted = false;
    const size_t len = ascii_trusted_length(s, &trusted);
    if (trusted) {
        f.value_trusted = 1;
        f.value_len = len;
    }
    if (!json_mode && string_is_console_simple(s)) {
        f.value_console_simple = 1;
        // A console-simple value is copied as value_len bytes, so it needs
        // its length even when it is not ASCII-trusted (UTF-8 text, say);
        // JSON reads value_len only for trusted values.
        f.value_len = trusted ? len : std::strlen(s);
    }
}

}  // namespace

int materialize(const tevra_kvfmt_layout *layout, tevra_field *fields, size_t *count, int json_mode,
                int saved_errno, va_list args) {
    if (layout->count > TEVRA_KVFMT_MAX_ITEMS) return -1;
    for (uint32_t i = 0; i < layout->count; ++i) {
        const tevra_kvfmt_entry &e = layout->entries[i];
        tevra_field &f = fields[i];
        std::memset(&f, 0, sizeof f);
        f.key = e.key;
        f.key_len = e.key_len;
        f.key_trusted = 1;
        if (e.verb >= kVerbRows.size()) return -1;  // a layout the parser never produces
        f.kind = static_cast<tevra_field_kind>(kVerbRows[e.verb].kind);
        // The argument, read as the type its verb promises.
        switch (e.verb) {
            case TEVRA_KVFMT_STRING: string_value(f, va_arg(args, const char *), json_mode != 0); break;
            case TEVRA_KVFMT_INT: f.value.i64 = va_arg(args, int); break;
            case TEVRA_KVFMT_LONG: f.value.i64 = va_arg(args, long); break;
            case TEVRA_KVFMT_UINT: f.value.u64 = va_arg(args, unsigned int); break;
            case TEVRA_KVFMT_ULONG: f.value.u64 = va_arg(args, unsigned long); break;
            case TEVRA_KVFMT_DOUBLE: f.value.f64 = va_arg(args, double); break;
            case TEVRA_KVFMT_POINTER: f.value.ptr = va_arg(args, void *); break;
            case TEVRA_KVFMT_BOOL: f.value.boolean = va_arg(args, int) != 0 ? 1 : 0; break;
            case TEVRA_KVFMT_ERRNO: f.value.i64 = saved_errno; break;  // reads no argument
        }
    }
    *count = layout->count;
    return 0;
}

}  // namespace tev::kvfmt

extern "C" {

int tevra_materialize_kvfmt_fields(const tevra_kvfmt_layout *layout, tevra_field fields[32], size_t *count,
                                   int json_mode, int saved_errno, va_list args) {
    if (count == nullptr) return -1;
    *count = 0;
    if (layout == nullptr || fields == nullptr) return -1;
    return tev::kvfmt::materialize(layout, fields, count, json_mode, saved_errno, args);
}

int tevra_parse_kvfmt(tevra_shared *shared, tevra_field fields[32], size_t *count, int json_mode,
                      const char *kvfmt, int saved_errno, va_list args) {
    if (count == nullptr) return -1;
    *count = 0;
    if (kvfmt == nullptr) return 0;
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *layout = nullptr;
    int rc = tev::kvfmt::resolve(shared, kvfmt, &scratch, &layout);
    if (rc == 0) {
        rc = (layout == nullptr || fields == nullptr)
                 ? -1
                 : tev::kvfmt::materialize(layout, fields, count, json_mode, saved_errno, args);
    }
    if (layout == &scratch) tevra_free_internal(scratch.template_copy);
    return rc == 0 ? 0 : -1;
}

}  // extern "C"

// SPDX-License-Identifier: MIT
// Owned copies of strings, byte runs and whole field records: what lets a
// derived logger keep its bound fields after the application has freed the
// records, keys and strings it passed in.
#include <cstring>

#include "core/field_copy.hpp"
#include "text/field_record.hpp"

namespace tev {
namespace {

char *copy_text(const char *s, size_t n) {
    auto *copy = static_cast<char *>(tevra_malloc_internal(n + 1));
    if (copy == nullptr) return nullptr;
    if (n != 0) std::memcpy(copy, s, n);
    copy[n] = '\0';
    return copy;
}

// A trusted key is read as exactly `key_len` bytes, and a key that comes
// from a kvfmt template is not NUL-terminated at its end, so such a key is
// copied by its length; every other key up to its NUL.
char *copy_key(const tevra_field &src) {
    if (src.key == nullptr) return copy_text("", 0);
    if (src.key_trusted && src.key_len != 0) return copy_text(src.key, src.key_len);
    return copy_text(src.key, std::strlen(src.key));
}

}  // namespace

char *strdup_local(const char *s) {
    if (s == nullptr) return copy_text("", 0);
    return copy_text(s, std::strlen(s));
}

void *memdup_local(const void *p, size_t n) {
    if (p == nullptr || n == 0) return nullptr;
    void *copy = tevra_malloc_internal(n);
    if (copy != nullptr) std::memcpy(copy, p, n);
    return copy;
}

int copy_field(tevra_field *dst, const tevra_field *src) {
    std::memset(dst, 0, sizeof *dst);
    *dst = *src;
    char *key = copy_key(*src);
    if (key == nullptr) {
        // Nothing here is owned yet: clear what still points at the
        // caller's memory so that no cleanup frees it by mistake.
        dst->key = nullptr;
        std::memset(&dst->value, 0, sizeof dst->value);
        return -1;
    }
    dst->key = key;

    // Through the kind code: a hand-made record may hold a number the
    // enumeration does not name.
    switch (kind_code(*src)) {
        case TEVRA_FIELD_STRING: {
            // A sized value is exactly value_len bytes and may hold NULs;
            // its copy keeps them all and gains a NUL after the last.
            const bool sized = src->value_sized && src->value.str != nullptr;
            char *value = sized ? copy_text(src->value.str, src->value_len)
                                : strdup_local(src->value.str);
            if (src->value_sized && !sized) {
                // A hand-made sized record without text binds as "".
                dst->value_sized = 0;
                dst->value_len = 0;
            }
            if (value == nullptr) break;
            dst->value.str = value;
            return 0;
        }
        case TEVRA_FIELD_BYTES: {
            // A run without data (a NULL pointer, whatever its length) is
            // bound as the empty run: the copy must never refer to memory of
            // the caller, and there is nothing to read at address 0.
            if (src->value.bytes.len == 0 || src->value.bytes.data == nullptr) {
                dst->value.bytes.data = nullptr;
                dst->value.bytes.len = 0;
                return 0;
            }
            void *data = memdup_local(src->value.bytes.data, src->value.bytes.len);
            if (data == nullptr) break;
            dst->value.bytes.data = data;
            return 0;
        }
        default:
            return 0;
    }
    tevra_free_internal(key);
    dst->key = nullptr;
    std::memset(&dst->value, 0, sizeof dst->value);
    return -1;
}

void free_field_copy(tevra_field *f) {
    tevra_free_internal(const_cast<char *>(f->key));
    const uint32_t kind = kind_code(*f);
    if (kind == TEVRA_FIELD_STRING) tevra_free_internal(const_cast<char *>(f->value.str));
    if (kind == TEVRA_FIELD_BYTES) tevra_free_internal(const_cast<void *>(f->value.bytes.data));
    f->key = nullptr;
    std::memset(&f->value, 0, sizeof f->value);
}

}  // namespace tev

extern "C" {

char *tevra_strdup_local(const char *s) { return tev::strdup_local(s); }

void *tevra_memdup_local(const void *p, size_t n) { return tev::memdup_local(p, n); }

int tevra_copy_field(tevra_field *dst, const tevra_field *src) {
    if (dst == nullptr || src == nullptr) return -1;
    return tev::copy_field(dst, src);
}

}  // extern "C"

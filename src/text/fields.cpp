// SPDX-License-Identifier: MIT
// Field constructors and the public text tests. Each constructor classifies
// its key (and a string value) once, so the encoders copy clean text with a
// single block copy and never scan it again; errno numbers become text here.
#include <cstdio>
#include <cstring>

#include "text/utf8.hpp"
#include "tevra.h"

#if defined(__GLIBC__)
// glibc's XSI strerror_r under its own name: with _GNU_SOURCE (which g++
// always defines) the public name is the GNU variant returning a pointer.
extern "C" int __xpg_strerror_r(int errnum, char *buf, size_t buflen) noexcept;
#endif

namespace tev {
namespace {

// Stands in for a NULL string value, so `str` is never NULL.
constexpr char kEmpty[] = "";

tevra_field make_field(const char *key, tevra_field_kind kind) {
    tevra_field f{};
    f.key = key;
    f.kind = kind;
    bool ok = true;
    f.key_len = key != nullptr ? ascii_trusted_length(key, &ok) : 0;
    f.key_trusted = ok ? 1 : 0;
    return f;
}

int xsi_strerror_r(int err, char *buf, size_t size) {
#if defined(__GLIBC__)
    return __xpg_strerror_r(err, buf, size);
#else
    return strerror_r(err, buf, size);
#endif
}

}  // namespace

int string_is_trusted_measure(const char *s, size_t *len) {
    if (len != nullptr) *len = 0;
    if (s == nullptr) return 1;
    bool ok = false;
    const size_t n = utf8_trusted_length(s, &ok);
    if (ok && len != nullptr) *len = n;
    return ok ? 1 : 0;
}

int string_is_console_simple(const char *s) {
    if (s == nullptr || s[0] == '\0') return 0;
    return s[find_stop<Stop::kConsoleBare>(s)] == '\0' ? 1 : 0;
}

tevra_field str_field(const char *key, const char *value) {
    tevra_field f = make_field(key, TEVRA_FIELD_STRING);
    f.value.str = value != nullptr ? value : kEmpty;
    bool ok = false;
    f.value_len = ascii_trusted_length(f.value.str, &ok);
    f.value_trusted = ok ? 1 : 0;
    return f;
}

// The length is the record's word on where the value ends: the encoders
// and the deep copy read exactly `len` bytes, NUL bytes included.
tevra_field sized_str_field(const char *key, const char *data, size_t len) {
    tevra_field f = make_field(key, TEVRA_FIELD_STRING);
    if (data == nullptr) {
        data = kEmpty;
        len = 0;
    }
    f.value.str = data;
    f.value_len = len;
    f.value_sized = 1;
    bool ok = false;
    ascii_trusted_length(data, &ok, to_end(data, len));
    f.value_trusted = ok ? 1 : 0;
    return f;
}

tevra_field trusted_str_field(const char *key, const char *value) {
    tevra_field f = str_field(key, value);
    size_t n = 0;
    f.key_trusted = static_cast<uint8_t>(string_is_trusted_measure(key, &n));
    f.key_len = n;
    f.value_trusted = static_cast<uint8_t>(string_is_trusted_measure(f.value.str, &n));
    f.value_len = n;
    return f;
}

const char *errno_string(int err, char *buf, size_t size) {
    buf[0] = '\0';
    if (xsi_strerror_r(err, buf, size) != 0) {
        // Unknown numbers and messages that do not fit both end up here; the
        // number at least survives either way.
        std::snprintf(buf, size, "Unknown error %d", err);
        buf[size - 1] = '\0';
    }
    return buf;
}

}  // namespace tev

extern "C" {

tevra_field tevra_null(const char *key) { return tev::make_field(key, TEVRA_FIELD_NULL); }

tevra_field tevra_str(const char *key, const char *value) { return tev::str_field(key, value); }

tevra_field tevra_str_n(const char *key, const char *data, size_t len) {
    return tev::sized_str_field(key, data, len);
}

tevra_field tevra_trusted_str(const char *key, const char *value) {
    return tev::trusted_str_field(key, value);
}

tevra_field tevra_i64(const char *key, int64_t value) {
    tevra_field f = tev::make_field(key, TEVRA_FIELD_INT64);
    f.value.i64 = value;
    return f;
}

tevra_field tevra_u64(const char *key, uint64_t value) {
    tevra_field f = tev::make_field(key, TEVRA_FIELD_UINT64);
    f.value.u64 = value;
    return f;
}

tevra_field tevra_f64(const char *key, double value) {
    tevra_field f = tev::make_field(key, TEVRA_FIELD_FLOAT64);
    f.value.f64 = value;
    return f;
}

tevra_field tevra_bool(const char *key, int value) {
    tevra_field f = tev::make_field(key, TEVRA_FIELD_BOOL);
    f.value.boolean = value != 0 ? 1 : 0;
    return f;
}

tevra_field tevra_ptr(const char *key, const void *value) {
    tevra_field f = tev::make_field(key, TEVRA_FIELD_POINTER);
    f.value.ptr = value;
    return f;
}

tevra_field tevra_bytes_field(const char *key, const void *data, size_t len) {
    tevra_field f = tev::make_field(key, TEVRA_FIELD_BYTES);
    f.value.bytes.data = data;
    f.value.bytes.len = len;
    return f;
}

tevra_field tevra_time_field(const char *key, tevra_time value) {
    tevra_field f = tev::make_field(key, TEVRA_FIELD_TIME);
    f.value.time = value;
    return f;
}

tevra_field tevra_duration_field(const char *key, tevra_duration value) {
    tevra_field f = tev::make_field(key, TEVRA_FIELD_DURATION);
    f.value.duration = value;
    return f;
}

tevra_field tevra_errno(const char *key, int err) {
    tevra_field f = tev::make_field(key, TEVRA_FIELD_ERRNO);
    f.value.i64 = static_cast<int64_t>(err);
    return f;
}

int tevra_string_is_trusted(const char *s) { return tev::string_is_trusted_measure(s, nullptr); }

int tevra_string_is_trusted_measure(const char *s, size_t *len) {
    return tev::string_is_trusted_measure(s, len);
}

int tevra_string_is_console_simple_internal(const char *s) { return tev::string_is_console_simple(s); }

const char *tevra_errno_string(int err, char *buf, size_t size) {
    if (buf == nullptr || size == 0) return tev::kEmpty;
    return tev::errno_string(err, buf, size);
}

}  // extern "C"

// SPDX-License-Identifier: MIT
// Field constructors and the public text tests. Each constructor classifies
// its key (and a string value) once, so the encoders copy clean text with a
// single block copy and never scan it again; errno numbers become text here.
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/fields.hpp"
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

using ValueWords = std::array<uint64_t, 3>;
static_assert(sizeof(tevra_field) == 56 && offsetof(tevra_field, value) == 32 &&
              sizeof(tevra_field::value) == sizeof(ValueWords));

// The record's members up to the value, gathered before it is stored.
struct Head {
    const char *key = nullptr;
    size_t key_len = 0;
    size_t value_len = 0;
    tevra_field_kind kind = TEVRA_FIELD_NULL;
    uint8_t key_trusted = 0;
    uint8_t value_trusted = 0;
    uint8_t value_console_simple = 0;
    uint8_t value_sized = 0;
};
static_assert(sizeof(Head) == offsetof(tevra_field, value));

[[gnu::always_inline]] inline Head head_of(const char *key, tevra_field_kind kind) {
    Head h;
    h.key = key;
    h.kind = kind;
    bool ok = true;
    h.key_len = key != nullptr ? ascii_trusted_length(key, &ok) : 0;
    h.key_trusted = ok ? 1 : 0;
    return h;
}

template <class T>
ValueWords value_words(T value) {
    static_assert(sizeof(T) <= sizeof(ValueWords));
    ValueWords w{};
    std::memcpy(w.data(), &value, sizeof value);
    return w;
}

// The record is stored in the widths its caller copies it with (three
// 16-byte pieces and a word), from registers. Built member by member, its
// one-byte flags would be separate small stores, and the caller's 16-byte
// load of them would wait for each to retire: a store-forwarding stall of
// several nanoseconds per field in the usual `f[i] = tevra_str(...)`.
[[gnu::always_inline]] inline tevra_field assemble(const Head &h, const ValueWords &v) {
    uint64_t w[7];
    w[0] = reinterpret_cast<uintptr_t>(h.key);
    w[1] = h.key_len;
    w[2] = h.value_len;
    if constexpr (std::endian::native == std::endian::little) {
        // The kind and the four flags as one word, computed rather than
        // stored byte by byte and read back.
        w[3] = static_cast<uint32_t>(h.kind) | uint64_t{h.key_trusted} << 32 |
               uint64_t{h.value_trusted} << 40 | uint64_t{h.value_console_simple} << 48 |
               uint64_t{h.value_sized} << 56;
    } else {
        std::memcpy(&w[3], reinterpret_cast<const char *>(&h) + offsetof(Head, kind), sizeof w[3]);
    }
    w[4] = v[0];
    w[5] = v[1];
    w[6] = v[2];
    tevra_field f;
#if defined(__SSE2__)
    auto *out = reinterpret_cast<unsigned char *>(&f);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_set_epi64x(static_cast<long long>(w[1]), static_cast<long long>(w[0])));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 16), _mm_set_epi64x(static_cast<long long>(w[3]), static_cast<long long>(w[2])));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 32), _mm_set_epi64x(static_cast<long long>(w[5]), static_cast<long long>(w[4])));
    std::memcpy(out + 48, &w[6], sizeof w[6]);
#else
    std::memcpy(&f, w, sizeof f);
#endif
    return f;
}

tevra_field make_field(const char *key, tevra_field_kind kind) {
    return assemble(head_of(key, kind), ValueWords{});
}

template <class T>
tevra_field make_field(const char *key, tevra_field_kind kind, T value) {
    return assemble(head_of(key, kind), value_words(value));
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
    Head h = head_of(key, TEVRA_FIELD_STRING);
    const char *text = value != nullptr ? value : kEmpty;
    bool ok = false;
    h.value_len = ascii_trusted_length(text, &ok);
    h.value_trusted = ok ? 1 : 0;
    return assemble(h, value_words(text));
}

// The length is the record's word on where the value ends: the encoders
// and the deep copy read exactly `len` bytes, NUL bytes included.
tevra_field sized_str_field(const char *key, const char *data, size_t len) {
    Head h = head_of(key, TEVRA_FIELD_STRING);
    if (data == nullptr) {
        data = kEmpty;
        len = 0;
    }
    h.value_len = len;
    h.value_sized = 1;
    bool ok = false;
    ascii_trusted_length(data, &ok, to_end(data, len));
    h.value_trusted = ok ? 1 : 0;
    return assemble(h, value_words(data));
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
    return tev::make_field(key, TEVRA_FIELD_INT64, value);
}

tevra_field tevra_u64(const char *key, uint64_t value) {
    return tev::make_field(key, TEVRA_FIELD_UINT64, value);
}

tevra_field tevra_f64(const char *key, double value) {
    return tev::make_field(key, TEVRA_FIELD_FLOAT64, value);
}

tevra_field tevra_bool(const char *key, int value) {
    return tev::make_field(key, TEVRA_FIELD_BOOL, value != 0 ? 1 : 0);
}

tevra_field tevra_ptr(const char *key, const void *value) {
    return tev::make_field(key, TEVRA_FIELD_POINTER, value);
}

tevra_field tevra_bytes_field(const char *key, const void *data, size_t len) {
    decltype(tevra_field::value.bytes) run{data, len};
    return tev::make_field(key, TEVRA_FIELD_BYTES, run);
}

tevra_field tevra_time_field(const char *key, tevra_time value) {
    return tev::make_field(key, TEVRA_FIELD_TIME, value);
}

tevra_field tevra_duration_field(const char *key, tevra_duration value) {
    return tev::make_field(key, TEVRA_FIELD_DURATION, value);
}

tevra_field tevra_errno(const char *key, int err) {
    return tev::make_field(key, TEVRA_FIELD_ERRNO, static_cast<int64_t>(err));
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

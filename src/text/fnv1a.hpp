// SPDX-License-Identifier: MIT
// The library's one string hash, shared by the template cache and the double
// cache: 32-bit FNV-1a over bytes, started from 1469598103 rather than the
// customary offset basis 2166136261; the start value is part of the slot layout
// tests and tools rely on, so it must not change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tev {

constexpr uint32_t kFnvStart = 1469598103u;  // 0x57984997
constexpr uint32_t kFnvPrime = 16777619u;    // 0x01000193

constexpr uint32_t fnv1a(const unsigned char *bytes, size_t n, uint32_t hash = kFnvStart) {
    for (size_t i = 0; i < n; ++i) {
        hash ^= bytes[i];
        hash *= kFnvPrime;
    }
    return hash;
}

// Bytes are taken unsigned, so text above 0x7F hashes the same wherever
// `char` is signed.
constexpr uint32_t fnv1a(std::string_view text, uint32_t hash = kFnvStart) {
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= kFnvPrime;
    }
    return hash;
}

static_assert(fnv1a(std::string_view{}) == kFnvStart, "the empty text hashes to the start value");
static_assert(fnv1a(std::string_view{"a"}) == ((kFnvStart ^ 0x61u) * kFnvPrime),
              "one byte is XORed in, then multiplied");

}  // namespace tev

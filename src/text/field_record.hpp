// SPDX-License-Identifier: MIT
// How every room reads the two parts of a field record that callers may
// fill loosely: the kind code and whether there is a key at all.
#pragma once

#include <cstdint>
#include <cstring>

#include "tevra.h"

namespace tev {

// The kind as a plain number: C code may store any int there, and loading
// a value the enumeration does not name through the enum type is undefined
// in C++.
inline uint32_t kind_code(const tevra_field &f) {
    uint32_t code;
    static_assert(sizeof code == sizeof f.kind);
    std::memcpy(&code, &f.kind, sizeof code);
    return code;
}

// True when the field has a key to write: not NULL and not empty. A trusted
// key is exactly key_len bytes long; any other key is read to its NUL.
inline bool has_key(const tevra_field &f) {
    if (f.key == nullptr) return false;
    return f.key_trusted ? f.key_len != 0 : f.key[0] != '\0';
}

}  // namespace tev

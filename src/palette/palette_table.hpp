// SPDX-License-Identifier: MIT
// The table of built-in palettes by name, shared by the palette objects'
// file (which defines it) and name lookup (which searches it).
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "tevra.h"

namespace tev {

struct PaletteEntry {
    std::string_view name;  // NUL-terminated: every name is a quoted constant
    const tevra_palette *palette;
};

constexpr size_t kPaletteCount = 32;

// Sorted byte-wise by name, so "default" is fourth.
extern const std::array<PaletteEntry, kPaletteCount> palette_entries;

}  // namespace tev

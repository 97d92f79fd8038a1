// SPDX-License-Identifier: MIT
// The text a console ` key=value` group writes before its value: reset,
// space, key colour, key, '=', reset and value colour, the colours only on
// coloured lines. The field cache, uncached groups and both template paths
// all build it here.
#pragma once

#include <cstddef>

#include "core/kind_table.hpp"
#include "core/shared.hpp"

namespace tev::console {

// Where the space goes. Stored texts (the field cache, the template cache)
// and what stands in for them put it after the first reset; a group written
// straight into the line puts it before. The two orders give different
// bytes, and lines keep each one.
enum class LeadInSpace : bool { kAfterReset, kBeforeReset };

// Hands the lead-in to `put(const char *, size_t)` piece by piece; `key()`
// writes the key in between. `value` is the colour that ends it (kNoColor
// for none).
template <class Put, class Key>
void build_key_lead_in(const tevra_shared *s, Put &&put, Key &&key, ColorSlot value,
                       LeadInSpace space) {
    auto paint = [&](ColorSlot slot) {
        if (!s->color || slot == kNoColor) return;
        const Color c = color(s, slot);
        if (c.present()) put(c.text, c.len);
    };
    if (space == LeadInSpace::kBeforeReset) put(" ", size_t{1});
    paint(kReset);
    if (space == LeadInSpace::kAfterReset) put(" ", size_t{1});
    paint(kKeyColor);
    key();
    put("=", size_t{1});
    paint(kReset);
    paint(value);
}

}  // namespace tev::console

// SPDX-License-Identifier: MIT
// The shared record's template cache, filled under `lock` by
// kvfmt/kvfmt_cache.cpp: parsed layouts in open-addressed slots, and an
// index from a template's address to its layout.
#pragma once

#include <cstddef>

#include "tevra.h"

namespace tev {

struct KvfmtIndexSlot {
    const char *address;
    tevra_kvfmt_layout *layout;
};
constexpr size_t kKvfmtCacheSlots = 512;
constexpr size_t kKvfmtIndexSlots = 256;

}  // namespace tev

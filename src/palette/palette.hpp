// SPDX-License-Identifier: MIT
// The palette room as the other rooms use it: the default palette, lookup
// by name and the colour of a level.
#pragma once

#include <cstddef>

#include "tevra.h"

namespace tev {

const tevra_palette *default_palette();
// The palette a forgiving name stands for; the default for unknown names
// and NULL.
const tevra_palette *palette_by_name(const char *name);
// The palette's colour of `level`, "" where the palette leaves it NULL.
const char *level_color_text(const tevra_palette &p, int level);
// The cached length of the record's colour of `level`.
size_t level_color_len(const tevra_shared *s, int level);

}  // namespace tev

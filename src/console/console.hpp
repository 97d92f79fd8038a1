// SPDX-License-Identifier: MIT
// The console room as logger construction uses it: the fixed pieces of a
// console line, rendered once into the shared record. Encoder rooms keep
// their functions in `tev::<room>`.
#pragma once

#include "tevra.h"

namespace tev::console {

// The label of `level` (in its colour when colour is on) into fragment
// slot `index` (0..7).
void build_level_fragment(tevra_shared *s, int level, int index);
// The text before the message: a space and, with colour, the message colour.
void build_message_literal(tevra_shared *s);

}  // namespace tev::console

// SPDX-License-Identifier: MIT
// How a given configuration becomes the one a logger is built from.
#pragma once

#include "tevra.h"

namespace tev {

// The defaults: console lines with timestamps at level debug, colour by
// terminal, the default palette, the process's standard output.
void default_config(tevra_config *config);

// The defaults, overlaid with `given` when it is not NULL; a NULL palette
// becomes the default palette and an output without a write operation the
// process's standard output (not owned).
tevra_config effective_config(const tevra_config *given);

}  // namespace tev

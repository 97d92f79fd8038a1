// SPDX-License-Identifier: MIT
// The default configuration: console lines with timestamps at level debug,
// coloured when standard output is a terminal, in the default palette.
#include <cstring>

#include "tevra.h"

extern "C" void tevra_default_config(tevra_config *config) {
    if (config == nullptr) return;
    std::memset(config, 0, sizeof *config);
    config->buffer_size = TEVRA_BUFFER_DEFAULT_SIZE;
    config->timestamps = 1;
    config->palette = tevra_palette_default();
    // The process's standard output, not owned: never closed by the library.
    tevra_output_from_fp(&config->output, stdout, 0);
}

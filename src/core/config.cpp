// SPDX-License-Identifier: MIT
// The default configuration (console lines with timestamps at level debug,
// coloured when standard output is a terminal, in the default palette) and
// the effective one a logger is built from: the defaults or the caller's.
#include <cstring>

#include "core/config.hpp"
#include "output/output.hpp"
#include "palette/palette.hpp"
#include "tevra.h"

namespace tev {

void default_config(tevra_config *config) {
    std::memset(config, 0, sizeof *config);
    config->buffer_size = TEVRA_BUFFER_DEFAULT_SIZE;
    config->timestamps = 1;
    config->palette = default_palette();
    // The process's standard output, not owned: never closed by the library.
    output_from_fp(&config->output, stdout, false);
}

// The configuration as tevra_new and tevra_new_from_env start from it.
tevra_config effective_config(const tevra_config *given) {
    tevra_config cfg;
    default_config(&cfg);
    if (given == nullptr) return cfg;
    cfg = *given;
    if (cfg.palette == nullptr) cfg.palette = default_palette();
    if (cfg.output.write == nullptr) output_from_fp(&cfg.output, stdout, false);
    return cfg;
}

}  // namespace tev

extern "C" void tevra_default_config(tevra_config *config) {
    if (config != nullptr) tev::default_config(config);
}

// A logger for the benchmarks: every line is rendered in full and handed
// to a sink that discards it.
#pragma once

#include <tevra.h>

namespace bench {

inline int discard(void *, const void *, size_t len, size_t *written) {
    if (written) *written = len;
    return 0;
}

inline tevra_logger *make_logger(int mode, int color, int timestamps = 1) {
    tevra_config cfg;
    tevra_default_config(&cfg);
    cfg.mode = mode;
    cfg.color = color;
    cfg.timestamps = timestamps;
    cfg.output = tevra_output{&discard, nullptr, nullptr, nullptr, 0};
    return tevra_new(&cfg);
}

}  // namespace bench

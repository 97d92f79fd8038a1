// SPDX-License-Identifier: MIT
// The shared end of every line in the comparison.
#include "line_sink.hpp"

#include <string>

namespace tevra_compare {

int take_line(void *capture, const void *data, size_t len, size_t *written) {
    if (capture) static_cast<std::string *>(capture)->append(static_cast<const char *>(data), len);
    if (written) *written = len;
    return 0;
}

}  // namespace tevra_compare

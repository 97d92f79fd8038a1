// SPDX-License-Identifier: MIT
// The one sink that tevra, spdlog and the floor hand their finished lines
// to: it keeps the line when given a string to keep it in, else drops it.
#pragma once

#include <cstddef>

namespace tevra_compare {

// The tevra sink signature. `capture` is a std::string to append the line
// to, or NULL to discard it. Defined in its own file, so that no caller can
// see through the call and drop the work that fed it.
int take_line(void *capture, const void *data, size_t len, size_t *written);

}  // namespace tevra_compare

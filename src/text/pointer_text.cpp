// SPDX-License-Identifier: MIT
// Text of pointers: the platform's "%p", so a pointer reads as the C library
// prints it ("(nil)" for NULL with glibc).
#include <cstdio>

#include "text/buffer_fast.hpp"
#include "text/values.hpp"

namespace tev {

void append_pointer(tevra_buffer *b, const void *p) {
    // Far wider than any "%p" text.
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%p", p);
    if (n > 0) put(b, text, static_cast<size_t>(n) < sizeof text ? static_cast<size_t>(n) : sizeof text - 1);
}

}  // namespace tev

extern "C" void tevra_buffer_append_pointer(tevra_buffer *buf, const void *p) {
    if (!tev::usable(buf)) return;
    tev::append_pointer(buf, p);
}

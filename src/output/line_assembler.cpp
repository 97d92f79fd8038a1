// SPDX-License-Identifier: MIT
// Heap storage for lines that arrive in pieces.
#include "output/line_assembler.hpp"

namespace tev {

bool assembler_append(LineAssembler *a, const char *src, size_t n) {
    if (n == 0) return true;
    if (a->cap - a->len < n) {
        size_t cap = a->cap == 0 ? 256 : a->cap;
        while (cap - a->len < n) {
            if (cap > (~size_t{0} >> 1)) return false;
            cap *= 2;
        }
        auto *grown = static_cast<char *>(tevra_realloc_internal(a->data, cap));
        if (grown == nullptr) return false;
        a->data = grown;
        a->cap = cap;
    }
    std::memcpy(a->data + a->len, src, n);
    a->len += n;
    return true;
}

void assembler_release(LineAssembler *a) {
    tevra_free_internal(a->data);
    *a = LineAssembler{};
}

}  // namespace tev

// SPDX-License-Identifier: MIT
// Operations on output records as a whole: destroying one, and asking
// whether one output lives inside another through tees.
#include "output/output.hpp"
#include "tevra.h"

namespace tev {
namespace {

bool same_members(const tevra_output *a, const tevra_output *b) {
    return a->write == b->write && a->close == b->close && a->isatty == b->isatty &&
           a->user_data == b->user_data && a->owns == b->owns;
}

// Records are copied by value into tees, so a copy counts as the same
// output.
bool contains(const tevra_output *haystack, const tevra_output *needle) {
    return any_through_tees(haystack, [needle](const tevra_output &o) {
        return &o == needle || same_members(&o, needle);
    });
}

}  // namespace

void output_destroy(tevra_output *out) {
    // A failed close cannot be reported from here; the record is cleared
    // either way so it is never closed twice.
    if (out->close != nullptr && out->owns != 0) (void)out->close(out->user_data);
    *out = tevra_output{};
}

}  // namespace tev

extern "C" {

void tevra_output_destroy(tevra_output *out) {
    if (out != nullptr) tev::output_destroy(out);
}

int tevra_output_contains(const tevra_output *haystack, const tevra_output *needle) {
    if (haystack == nullptr || needle == nullptr) return 0;
    return tev::contains(haystack, needle) ? 1 : 0;
}

}  // extern "C"

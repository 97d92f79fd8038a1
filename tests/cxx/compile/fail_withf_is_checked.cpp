// Derivation templates are checked too.
#include <tevra.hpp>

#include <string_view>

// expect-call: item_expects_a_string 1
// expect-text: id=%s
void log_it(const tvr::logger &log) {
    tvr::logger child = log.withf("id=%s", 5);
    (void)child;
}

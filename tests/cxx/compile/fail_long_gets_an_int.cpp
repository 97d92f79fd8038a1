// An int where %ld reads a long.
#include <tevra.hpp>

#include <string_view>

// expect-call: item_expects_a_long 1
// expect-text: n=%ld
void log_it(const tvr::logger &log) {
    log.infof("x", "n=%ld", 5);
}

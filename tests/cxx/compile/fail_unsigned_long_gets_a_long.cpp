// A long where %lu reads an unsigned long.
#include <tevra.hpp>

#include <string_view>

// expect-call: item_expects_an_unsigned_long 1
// expect-text: u=%lu
void log_it(const tvr::logger &log) {
    log.infof("x", "u=%lu", 5L);
}

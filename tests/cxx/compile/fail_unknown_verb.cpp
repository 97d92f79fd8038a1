// A verb the library does not know.
#include <tevra.hpp>

#include <string_view>

// expect-call: item_is_invalid 1
// expect-text: a=%x
void log_it(const tvr::logger &log) {
    log.infof("x", "a=%x", 1);
}

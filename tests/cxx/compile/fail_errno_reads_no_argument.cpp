// %m reads no argument.
#include <tevra.hpp>

#include <string_view>

// expect-call: argument_has_no_item 1
// expect-text: err=%m
void log_it(const tvr::logger &log) {
    log.infof("x", "err=%m", 5);
}

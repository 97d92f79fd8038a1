// An argument left without a verb.
#include <tevra.hpp>

#include <string_view>

// expect-call: argument_has_no_item 2
// expect-text: a=%d
void log_it(const tvr::logger &log) {
    log.infof("x", "a=%d", 1, 2);
}

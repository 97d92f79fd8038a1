// A verb left without an argument.
#include <tevra.hpp>

#include <string_view>

// expect-call: item_has_no_argument 2
// expect-text: b=%s
void log_it(const tvr::logger &log) {
    log.infof("x", "a=%d b=%s", 1);
}

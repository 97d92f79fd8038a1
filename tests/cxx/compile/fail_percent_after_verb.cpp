// A second verb glued to the first.
#include <tevra.hpp>

#include <string_view>

// expect-call: item_is_invalid 1
// expect-text: a=%d%s
void log_it(const tvr::logger &log) {
    log.infof("x", "a=%d%s", 1, "s");
}

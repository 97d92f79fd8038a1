// A number where %s reads a string.
#include <tevra.hpp>

#include <string_view>

// expect-call: item_expects_a_string 2
// expect-text: s=%s
void log_it(const tvr::logger &log) {
    log.infof("x", "n=%d s=%s", 1, 42);
}

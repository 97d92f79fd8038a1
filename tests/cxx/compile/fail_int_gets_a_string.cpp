// Arguments swapped: a string where %d reads an int.
#include <tevra.hpp>

#include <string_view>

// expect-call: item_expects_an_int 1
// expect-text: n=%d
void log_it(const tvr::logger &log) {
    log.infof("x", "n=%d s=%s", "oops", 42);
}

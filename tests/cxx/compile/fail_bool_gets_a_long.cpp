// A long where %b reads an int.
#include <tevra.hpp>

#include <string_view>

// expect-call: item_expects_a_bool_or_int 1
// expect-text: ok=%b
void log_it(const tvr::logger &log) {
    log.infof("x", "ok=%b", 1L);
}

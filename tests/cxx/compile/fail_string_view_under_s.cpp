// A string_view, which need not end in a NUL, where %s reads a C string.
#include <tevra.hpp>

#include <string_view>

// expect-call: item_expects_a_string 1
// expect-text: s=%s
void log_it(const tvr::logger &log) {
    log.infof("x", "s=%s", std::string_view("text"));
}

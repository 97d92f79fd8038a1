// A number where %p reads a pointer.
#include <tevra.hpp>

#include <string_view>

// expect-call: item_expects_a_pointer 1
// expect-text: p=%p
void log_it(const tvr::logger &log) {
    log.infof("x", "p=%p", 5);
}

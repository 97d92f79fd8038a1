// An int where %f reads a double.
#include <tevra.hpp>

#include <string_view>

// expect-call: item_expects_a_double 1
// expect-text: r=%f
void log_it(const tvr::logger &log) {
    log.infof("x", "r=%f", 1);
}

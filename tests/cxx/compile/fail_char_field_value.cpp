// A char is not a number: as a field value it does not compile, in C++17
// as in C++20.
#include <tevra.hpp>

// expect-text: deleted
// expect-text: a char value is not a number
void log_it(const tvr::logger &log) {
    log.info("x", {{"c", 'x'}});
}

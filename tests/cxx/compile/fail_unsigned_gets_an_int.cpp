// A signed int where %u reads an unsigned.
#include <tevra.hpp>

#include <string_view>

// expect-call: item_expects_an_unsigned 1
// expect-text: u=%u
void log_it(const tvr::logger &log) {
    log.infof("x", "u=%u", -1);
}

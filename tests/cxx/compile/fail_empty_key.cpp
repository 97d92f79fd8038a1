// An item without a key.
#include <tevra.hpp>

#include <string_view>

// expect-call: item_is_invalid 2
// expect-text: =%d
void log_it(const tvr::logger &log) {
    log.infof("x", "a=%d =%d", 1, 2);
}

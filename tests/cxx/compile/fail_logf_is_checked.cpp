// The generic template call is checked too.
#include <tevra.hpp>

#include <string_view>

// expect-call: item_has_no_argument 1
// expect-text: n=%d
void log_it(const tvr::logger &log) {
    log.logf(tvr::level::warn, "x", "n=%d");
}

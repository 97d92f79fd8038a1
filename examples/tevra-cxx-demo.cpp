// tevra-cxx-demo: the request log of tevra-demo, written through the C++
// interface (tevra.hpp). Loggers come from the LOG_* variables, so
//
//   LOG_MODE=json ./tevra-cxx-demo
//
// prints JSON lines; --color and --no-color choose the colour policy.
#include <tevra.hpp>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

using namespace std::chrono_literals;

namespace {

void request_log(const tvr::logger &log) {
    const unsigned char digest[] = {0xde, 0xad, 0xbe, 0xef};
    const std::string request_id = "7f3a9c";
    const auto started = std::chrono::system_clock::time_point(std::chrono::seconds(1700000000) + 250ms);

    // Bound fields are copied: the logger keeps them after the strings go.
    const tvr::logger req = log.with({{"service", "checkout"}, {"request_id", request_id}});
    req.info("request done", {{"method", "GET"},
                              {"path", "/cart/items"},
                              {"status", 200},
                              {"cached", true},
                              {"ratio", 0.75},
                              {"took", 18500us},
                              {"started", started},
                              {"etag", tvr::bytes{digest, sizeof digest}}});
    req.warn("upstream slow", {{"path", "/cart/checkout now"}, {"retries", 3}, {"err", tvr::errno_value{ETIMEDOUT}}});

    // Templates are checked against their arguments while compiling
    // (C++20): "line=%s" with 42 would not build.
    const std::string file = "cart.tmpl";
    errno = ENOENT;
    req.errorf("template lookup failed", "file=%s line=%d err=%m", file, 42);
    req.debugf("cache stats", "hits=%lu misses=%lu rate=%f", 981ul, 19ul, 0.981);

    const tvr::logger quiet = req.with_level(tvr::level::error).with_level_field();
    quiet.info("not shown: below the logger's level");
    quiet.error("shown with its loglevel");
}

}  // namespace

int main(int argc, char **argv) {
    int color = TEVRA_COLOR_AUTO;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--color") == 0) {
            color = TEVRA_COLOR_ALWAYS;
        } else if (std::strcmp(argv[i], "--no-color") == 0) {
            color = TEVRA_COLOR_NEVER;
        } else {
            std::fprintf(stderr, "usage: %s [--color|--no-color]\n", argv[0]);
            return 2;
        }
    }
    tevra_config base;
    tevra_default_config(&base);
    base.color = color;
    const tvr::logger log = tvr::logger::from_env(nullptr, &base);
    if (!log) return 1;
    request_log(log);
    return 0;
}

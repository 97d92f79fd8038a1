// Every valid form of the C++ interface: compiles without a warning under
// -Wall -Wextra -Wpedantic -Werror, as C++17 and as C++20, with g++ and
// clang++.
#include <tevra.hpp>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#if __cplusplus >= 202002L
#include <span>
#endif

using namespace std::chrono_literals;

void fields(const tvr::logger &log, const std::string &name, std::string_view view, int *ptr) {
    const unsigned char raw[] = {1, 2};
    char buffer[] = "buffer";
    log.info("fields", {{"name", name},
                        {"view", view},
                        {"literal", "text"},
                        {"buffer", buffer},
                        {"ok", true},
                        {"i", 1},
                        {"s", static_cast<short>(2)},
                        {"sc", static_cast<signed char>(3)},
                        {"uc", static_cast<unsigned char>(4)},
                        {"l", 5L},
                        {"ll", 6LL},
                        {"u", 7u},
                        {"ul", 8ul},
                        {"ull", 9ull},
                        {"i64", std::int64_t{10}},
                        {"u64", std::uint64_t{11}},
                        {"f", 1.5f},
                        {"d", 2.5},
                        {"none", nullptr},
                        {"ptr", ptr},
                        {"cptr", static_cast<const int *>(ptr)},
                        {"vptr", static_cast<void *>(ptr)},
                        {"took", 18ms},
                        {"hours", std::chrono::hours(2)},
                        {"secs", std::chrono::duration<double>(0.5)},
                        {"at", std::chrono::system_clock::now()},
                        {"bytes", tvr::bytes{raw, sizeof raw}},
                        {"err", tvr::errno_value{EIO}}});
#if __cplusplus >= 202002L
    const std::byte b[] = {std::byte{1}};
    log.info("span", {{"b", std::span<const std::byte>(b)}, {"fixed", std::span<const std::byte, 1>(b)}});
#endif
    log.trace(name);
    log.debug("d", {});
    log.warn(name, {{"n", 1}});
    log.error("e");
    log.log(tvr::level::info, "l", {{"n", 1}});
}

void templates(const tvr::logger &log, const std::string &name, int *ptr) {
    char buffer[] = "buffer";
    const short s = 1;
    const unsigned short us = 2;
    const long long ll = 3;
    const unsigned long long ull = 4;
    log.infof("login", "user=%s attempts=%d ok=%b err=%m", name, 3, true);
    log.infof("all", "a=%s b=%s c=%ls d=%d e=%d f=%u g=%u h=%ld i=%ld j=%lu k=%lu", "lit", buffer, name, s, us,
              us, 5u, 6L, ll, 7ul, ull);
    log.infof("more", "f=%f g=%lf p=%p q=%lp r=%p b=%b c=%lb n=%d", 1.5f, 2.5, ptr, static_cast<void *>(ptr),
              name.c_str(), 1, false, static_cast<std::int8_t>(1));
    log.infof("trailing text is ignored", "took=%dms", 5);
    log.infof("empty", "");
    log.infof("none", nullptr);
    log.tracef(name, "n=%d", 1);
    log.debugf("d", "n=%d", 1);
    log.warnf("w", "n=%d", 1);
    log.errorf("e", "n=%d", 1);
    log.logf(tvr::level::warn, "l", "n=%d", 1);
    tvr::logger child = log.withf("request_id=%s", name);
    child.info("child");
}

void lifecycle(const tevra_config &cfg) {
    tvr::logger a;
    tvr::logger b(cfg);
    tvr::logger c = tvr::logger::from_env();
    tvr::logger d = tvr::logger::from_env("APP_", &cfg);
    tvr::logger e(tevra_new(&cfg));
    a = std::move(b);
    tvr::logger f = a.with({{"service", "api"}}).with_level(tvr::level::warn).with_level_field();
    if (f && f.get() != nullptr) f.info("ok");
    tevra_logger *raw = c.release();
    raw->destroy(raw);
    (void)d.close();
    (void)e;
}

[[noreturn]] void ends(const tvr::logger &log) {
    if (errno == 0) log.fatalf("bye", "code=%d", 1);
    log.panic("boom");
}

// SPDX-License-Identifier: MIT
// The events the comparison writes: one request event (a message and five
// fields), ten bound fields, and the list of cases, each naming a line shape
// and a kind of call. tevra, spdlog and the floor all write the same lines.
#pragma once

#include <tevra.h>

#include <array>
#include <cstdint>
#include <string_view>

namespace tevra_compare {

// The request event: string, int64, double, bool, string, in this order.
inline constexpr const char *kMessage = "request done";
inline constexpr const char *kUser = "alice";
inline constexpr int64_t kStatus = 200;
inline constexpr double kRatio = 0.75;
inline constexpr bool kCached = true;
inline constexpr const char *kPath = "/cart/items";
inline constexpr const char *kTemplate = "user=%s status=%d ratio=%f cached=%b path=%s";

// The bound fields of the derived logger: strings and integers a service
// typically attaches to every line.
struct BoundField {
    const char *key;
    const char *text;  // NULL for an integer
    int64_t number;
};
inline constexpr std::array<BoundField, 10> kBound{{
    {"service", "checkout", 0},
    {"region", "eu-west-1", 0},
    {"host", "web-07", 0},
    {"pid", nullptr, 4242},
    {"version", "1.4.2", 0},
    {"zone", "b", 0},
    {"shard", nullptr, 17},
    {"build", "a1b2c3d", 0},
    {"env", "prod", 0},
    {"worker", nullptr, 3},
}};

// How a case calls the logger.
enum class Call {
    fields,        // info, the five field records built in the call
    fields_once,   // info, the five field records built before the loop
    kvfmt,         // infof with a five-verb template
    message_only,  // info on a logger derived with the ten bound fields
    filtered,      // debug on an info logger: dropped by the level filter
};

// The double of each line. Most cases repeat 0.75. The two double cases use
// values of seventeen significant digits: one repeats a single value (tevra
// keeps the text of recent doubles), the other takes a value never seen
// before on every line, so that no cache can help.
enum class Double { same, same_long, fresh };

struct Case {
    const char *name;
    int mode;  // TEVRA_MODE_JSON or TEVRA_MODE_CONSOLE
    bool color;
    Call call;
    Double ratio;
    int threads;
};

constexpr int kJson = TEVRA_MODE_JSON;
constexpr int kConsole = TEVRA_MODE_CONSOLE;

// clang-format off
inline constexpr Case kJsonFields      {"json_fields",          kJson,    false, Call::fields,       Double::same,      1};
inline constexpr Case kJsonFieldsOnce  {"json_fields_once",     kJson,    false, Call::fields_once,  Double::same,      1};
inline constexpr Case kConsoleFields   {"console_fields",       kConsole, false, Call::fields,       Double::same,      1};
inline constexpr Case kJsonBound       {"json_bound10",         kJson,    false, Call::message_only, Double::same,      1};
inline constexpr Case kJsonKvfmt       {"json_kvfmt",           kJson,    false, Call::kvfmt,        Double::same,      1};
inline constexpr Case kConsoleKvfmt    {"console_kvfmt",        kConsole, false, Call::kvfmt,        Double::same,      1};
inline constexpr Case kJsonColor       {"json_color_fields",    kJson,    true,  Call::fields,       Double::same,      1};
inline constexpr Case kConsoleColor    {"console_color_fields", kConsole, true,  Call::fields,       Double::same,      1};
inline constexpr Case kFiltered        {"filtered",             kJson,    false, Call::filtered,     Double::same,      1};
inline constexpr Case kJsonFreshDouble {"json_double_fresh",    kJson,    false, Call::fields,       Double::fresh,     1};
inline constexpr Case kJsonCachedDouble{"json_double_cached",   kJson,    false, Call::fields,       Double::same_long, 1};
inline constexpr Case kJsonTwoThreads  {"json_fields_2threads", kJson,    false, Call::fields,       Double::same,      2};
// clang-format on

inline constexpr std::array<const Case *, 12> kAllCases{
    &kJsonFields, &kJsonFieldsOnce, &kConsoleFields, &kJsonBound,       &kJsonKvfmt,        &kConsoleKvfmt,
    &kJsonColor,  &kConsoleColor,   &kFiltered,      &kJsonFreshDouble, &kJsonCachedDouble, &kJsonTwoThreads,
};

// Supplies the double of each line of a case. Fresh values step by a small
// irregular amount, so that no value comes twice and no cache can help.
class DoubleFeed {
  public:
    explicit DoubleFeed(const Case &c)
        : value_(c.ratio == Double::same ? kRatio : kLongStart), fresh_(c.ratio == Double::fresh) {}

    double next() {
        double v = value_;
        if (fresh_) value_ += kStep * static_cast<double>(1 + (++count_ * 2654435761u >> 29));
        return v;
    }

  private:
    static constexpr double kLongStart = 1234.5678901234567;
    static constexpr double kStep = 0x1p-31;  // about 4.7e-10: moves the last four or five digits
    double value_;
    bool fresh_;
    uint32_t count_ = 0;
};

// Makes one call of a case on any side, choosing the call at run time; the
// benchmarks choose it at compile time instead.
template <class Side>
void write_call(Side &side, Call call, double ratio) {
    switch (call) {
        case Call::fields:
            side.template write<Call::fields>(ratio);
            break;
        case Call::fields_once:
            side.template write<Call::fields_once>(ratio);
            break;
        case Call::kvfmt:
            side.template write<Call::kvfmt>(ratio);
            break;
        case Call::message_only:
            side.template write<Call::message_only>(ratio);
            break;
        case Call::filtered:
            side.template write<Call::filtered>(ratio);
            break;
    }
}

}  // namespace tevra_compare

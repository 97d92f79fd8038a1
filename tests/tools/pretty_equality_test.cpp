// SPDX-License-Identifier: MIT
// tevra-pretty against the library itself: random events written by a JSON
// logger and by a console logger that share a fixed clock; the JSON lines
// through tevra-pretty must give the console lines byte for byte.
#include <gtest/gtest.h>
#include <tevra.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/shared.hpp"
#include "support/capture_sink.hpp"
#include "support/private_state.hpp"
#include "tool_runner.hpp"

namespace {

using tevra_test::CaptureSink;
using namespace tevra_tools_test;

struct Clock {
    int64_t sec = 1700000000;
    long nsec = 0;
    static int now(void *user, int64_t *sec, long *nsec) {
        const auto *c = static_cast<const Clock *>(user);
        if (sec) *sec = c->sec;
        if (nsec) *nsec = c->nsec;
        return 0;
    }
};

// One event with its own storage, so fields can borrow from it.
struct RandomEvent {
    int level = TEVRA_LEVEL_INFO;
    std::string message;
    bool has_message = true;
    std::vector<std::string> keys, strings;
    std::vector<tevra_field> fields;
};

class Generator {
  public:
    explicit Generator(uint64_t seed) : rng_(seed) {}

    RandomEvent event() {
        RandomEvent e;
        const int levels[] = {-1, 0, 1, 2, 3, 4, 5, 6, 127};
        e.level = levels[pick(9)];
        e.has_message = pick(8) != 0;
        if (e.has_message) e.message = text(pick(3) == 0 ? 0 : 1 + pick(30));
        const size_t count = pick(7);
        e.keys.reserve(count);
        e.strings.reserve(count);
        for (size_t i = 0; i < count; ++i) e.keys.push_back(key());
        for (size_t i = 0; i < count; ++i) e.fields.push_back(value(e, e.keys[i].c_str()));
        return e;
    }

  private:
    size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

    // Text with everything that quoting and escaping care about: spaces,
    // '=', quotes, backslashes, control bytes, '[' and valid UTF-8.
    std::string text(size_t n) {
        static const char *const pieces[] = {"a", "b", "Z", "0", "7", " ", "=", "\"", "\\", "\t", "\n", "\r",
                                             "\x01", "\x1b", "\x7f", "[", "]", "{", "/", ":", ",", "-", ".",
                                             "\xc3\xa9", "\xe6\x97\xa5", "\xf0\x9f\x98\x80", "\xc2\xa0"};
        std::string s;
        for (size_t i = 0; i < n; ++i) s += pieces[pick(sizeof pieces / sizeof *pieces)];
        return s;
    }

    // Mostly plain keys, some with characters a console line or JSON must
    // treat specially; never one of the names tevra-pretty reads as the
    // time, level or message.
    std::string key() {
        static const std::set<std::string> reserved = {"ts",    "time", "timestamp", "@timestamp", "lvl",
                                                       "level", "severity", "msg", "message"};
        for (;;) {
            std::string k;
            if (pick(6) == 0) {
                k = text(pick(5));
            } else {
                static const char plain[] = "abcdefghijklmnopqrstuvwxyz_.0123456789";
                const size_t n = 1 + pick(10);
                for (size_t i = 0; i < n; ++i) k.push_back(plain[pick(sizeof plain - 1)]);
            }
            if (!reserved.count(k)) return k;
        }
    }

    double finite_double() {
        switch (pick(6)) {
            case 0: {
                const double specials[] = {0.0, -0.0, 0.1, 1.5, 100.0, 1e21, 1e16, 1e17, -2.5e-300,
                                           std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
                                           std::numeric_limits<double>::denorm_min(), 9007199254740993.0};
                return specials[pick(sizeof specials / sizeof *specials)];
            }
            case 1: return static_cast<double>(static_cast<int64_t>(rng_() >> pick(64)));
            case 2: return std::uniform_real_distribution<double>(-1000, 1000)(rng_);
            default:
                for (;;) {
                    uint64_t bits = rng_();
                    double d;
                    std::memcpy(&d, &bits, sizeof d);
                    if (std::isfinite(d)) return d;
                }
        }
    }

    tevra_field value(RandomEvent &e, const char *key) {
        switch (pick(7)) {
            case 0:
                e.strings.push_back(text(pick(12)));
                return tevra_str(key, e.strings.back().c_str());
            case 1: {
                const int64_t edges[] = {0, -1, 1, std::numeric_limits<int64_t>::min(),
                                         std::numeric_limits<int64_t>::max(), 9007199254740993LL, -9007199254740993LL};
                return tevra_i64(key, pick(3) == 0 ? edges[pick(7)] : static_cast<int64_t>(rng_() >> pick(64)));
            }
            case 2: return tevra_u64(key, pick(3) == 0 ? std::numeric_limits<uint64_t>::max() : rng_());
            case 3: return tevra_f64(key, finite_double());
            case 4: return tevra_bool(key, static_cast<int>(pick(2)));
            case 5: return tevra_null(key);
            default: {
                e.strings.push_back(text(pick(40)));
                // The UTF-8 rule trusts a non-ASCII key that tevra_str does
                // not, and the console encoder orders the reset and space of
                // an untrusted key's group differently; tevra-pretty builds
                // strings as tevra_str does.
                const std::string_view k(key);
                const bool ascii_key =
                    std::all_of(k.begin(), k.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
                const char *value = e.strings.back().c_str();
                return ascii_key ? tevra_trusted_str(key, value) : tevra_str(key, value);
            }
        }
    }

    std::mt19937_64 rng_;
};

// A console logger and a JSON logger set up alike, on one fixed clock.
struct Pair {
    CaptureSink json_sink, console_sink;
    tevra_logger *json = nullptr, *console = nullptr;
    tevra_logger *json_root = nullptr, *console_root = nullptr;

    struct Settings {
        bool timestamps;
        const char *json_time_format;
        const char *console_time_format;
        bool verbose;
        bool derived;  // bound fields and the "loglevel" field
    };

    Pair(const Settings &s, bool colour, const char *palette, Clock *clock) {
        tevra_config cfg;
        tevra_default_config(&cfg);
        cfg.timestamps = s.timestamps;
        cfg.utc = 1;
        cfg.verbose_fields = s.verbose;
        cfg.level = TEVRA_LEVEL_TRACE;
        cfg.palette = tevra_palette_by_name(palette);

        cfg.mode = TEVRA_MODE_JSON;
        // Coloured JSON must read like plain JSON, so colour it too.
        cfg.color = colour ? TEVRA_COLOR_ALWAYS : TEVRA_COLOR_NEVER;
        cfg.time_format = s.json_time_format;
        cfg.output = json_sink.output();
        json_root = tevra_new(&cfg);

        cfg.mode = TEVRA_MODE_CONSOLE;
        cfg.time_format = s.console_time_format;
        cfg.output = console_sink.output();
        console_root = tevra_new(&cfg);

        for (tevra_logger *root : {json_root, console_root}) {
            tevra_test::set_clock(root, &Clock::now, clock);
        }
        json = json_root;
        console = console_root;
        if (s.derived) {
            const tevra_field bound[] = {tevra_str("service", "api gateway"), tevra_u64("shard", 7)};
            tevra_logger *j = tevra_with(json_root, bound, 2);
            tevra_logger *c = tevra_with(console_root, bound, 2);
            json = tevra_with_level_field(j);
            console = tevra_with_level_field(c);
            j->destroy(j);
            c->destroy(c);
        }
    }
    ~Pair() {
        if (json != json_root) json->destroy(json);
        if (console != console_root) console->destroy(console);
        json_root->destroy(json_root);
        console_root->destroy(console_root);
    }
    Pair(const Pair &) = delete;
    Pair &operator=(const Pair &) = delete;
};

// Writes `count` random events through several logger pairs and compares
// the console lines with the JSON lines as tevra-pretty prints them.
void expect_pretty_equals_console(uint64_t seed, bool colour, const char *palette, size_t count) {
    const Pair::Settings variants[] = {
        {true, "RFC3339", "RFC3339", false, false},
        {true, "RFC3339Nano", "RFC3339Nano", true, false},
        {true, "%d%H%M", nullptr, false, true},  // the console default layout
        {false, nullptr, nullptr, true, true},
        {true, "%Y-%m-%d %H:%M:%S", "%Y-%m-%d %H:%M:%S", false, false},
    };
    Clock clock;
    std::vector<std::unique_ptr<Pair>> pairs;
    for (const auto &v : variants) pairs.push_back(std::make_unique<Pair>(v, colour, palette, &clock));

    Generator gen(seed);
    std::string json_text, console_text;
    for (size_t i = 0; i < count; ++i) {
        Pair &p = *pairs[i % pairs.size()];
        p.json_sink.clear();
        p.console_sink.clear();
        clock.sec += 61;
        clock.nsec = static_cast<long>((i * 7919) % 1000000000);
        const RandomEvent e = gen.event();
        const char *msg = e.has_message ? e.message.c_str() : nullptr;
        tevra_fields(p.json, e.level, msg, e.fields.data(), e.fields.size());
        tevra_fields(p.console, e.level, msg, e.fields.data(), e.fields.size());
        json_text += p.json_sink.text();
        console_text += p.console_sink.text();
    }

    TempFile input;
    input.write(json_text);
    std::vector<std::string> args = {"--color", colour ? "always" : "never", "--palette", palette, input.path()};
    const Result r = run(TEVRA_PRETTY_BIN, args);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> want = lines_of(console_text);
    const std::vector<std::string> got = lines_of(r.out);
    const std::vector<std::string> json = lines_of(json_text);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        ASSERT_EQ(visible(got[i]), visible(want[i])) << "event " << i << ", seed " << seed << "\nJSON: " << visible(json[i]);
    }
}

TEST(PrettyEquality, RandomEventsPrintAsTheConsoleLoggerWritesThemWithoutColour) {
    expect_pretty_equals_console(20240611, false, "default", 1500);
}

TEST(PrettyEquality, RandomEventsPrintAsTheConsoleLoggerWritesThemInColour) {
    expect_pretty_equals_console(7, true, "default", 800);
    expect_pretty_equals_console(99, true, "tokyo-night", 700);
}

}  // namespace

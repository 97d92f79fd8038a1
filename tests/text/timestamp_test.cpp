// Line timestamps: the configured layout, the zone, and the once-per-second
// cache, driven by an injected clock.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <pthread.h>
#include <tevra.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "core/shared.hpp"
#include "support/buffer_text.hpp"
#include "support/logger.hpp"

namespace {

struct FakeClock {
    std::atomic<int64_t> sec{1700000000};
    std::atomic<long> nsec{0};
    std::atomic<int> calls{0};

    static int now(void *user, int64_t *sec, long *nsec) {
        auto *self = static_cast<FakeClock *>(user);
        self->calls.fetch_add(1);
        *sec = self->sec.load();
        *nsec = self->nsec.load();
        return 0;
    }
};

// Sets TZ for one test and puts the previous value back.
class ZoneGuard {
  public:
    explicit ZoneGuard(const char *zone) {
        const char *old = std::getenv("TZ");
        had_ = old != nullptr;
        if (had_) old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard() {
        if (had_) {
            setenv("TZ", old_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    bool had_ = false;
    std::string old_;
};

struct Options {
    const char *format = nullptr;
    int utc = 1;
    int mode = TEVRA_MODE_JSON;
    int timestamps = 1;
    size_t buffer_size = 0;
    int color = TEVRA_COLOR_NEVER;
};

// The test logger on a fake clock.
class ClockedLogger : public tevra_test::Logger {
  public:
    explicit ClockedLogger(const Options &o)
        : Logger(o.mode, [&o](tevra_config &cfg) {
              cfg.timestamps = o.timestamps;
              cfg.utc = o.utc;
              cfg.time_format = o.format;
              cfg.buffer_size = o.buffer_size;
              cfg.color = o.color;
          }) {
        tevra_test::set_clock(log, &FakeClock::now, &clock);
    }

    std::string stamp() {
        return tevra_test::buffer_text([this](tevra_buffer *b) { tevra_append_timestamp(shared(), b); });
    }
    std::string render(int64_t sec, long nsec) {
        char out[64];
        std::memset(out, 'x', sizeof out);
        const size_t n = tevra_render_timestamp_value(shared(), sec, nsec, out);
        EXPECT_EQ(out[n], '\0');
        return std::string(out, n);
    }
    tev::TimestampCache &cache() const { return tevra_test::timestamp_cache(shared()); }
    std::string cached() const { return std::string(reinterpret_cast<const char *>(cache().text), cache().len); }

    FakeClock clock;
};

TEST(Timestamp, Rfc3339InUtc) {
    ClockedLogger l({.format = "RFC3339"});
    EXPECT_EQ(l.render(1700000000, 0), "2023-11-14T22:13:20Z");
    EXPECT_EQ(l.render(1700000000, 987654321), "2023-11-14T22:13:20Z") << "whole seconds only";
    l.clock.nsec = 500000000;
    EXPECT_EQ(l.stamp(), "2023-11-14T22:13:20Z");
}

TEST(Timestamp, Rfc3339NanoTrimsTheFractionAndIsNotCached) {
    ClockedLogger l({.format = "RFC3339Nano"});
    EXPECT_EQ(l.shared()->ts_cacheable, 0);
    EXPECT_EQ(l.render(1700000000, 500000000), "2023-11-14T22:13:20.5Z");
    EXPECT_EQ(l.render(1700000000, 0), "2023-11-14T22:13:20Z");
    l.clock.nsec = 500000000;
    EXPECT_EQ(l.stamp(), "2023-11-14T22:13:20.5Z");
    l.clock.nsec = 120000000;
    EXPECT_EQ(l.stamp(), "2023-11-14T22:13:20.12Z");
    l.clock.nsec = 1;
    EXPECT_EQ(l.stamp(), "2023-11-14T22:13:20.000000001Z");
    EXPECT_EQ(l.cache().len, 0u);
    EXPECT_EQ(l.clock.calls.load(), 3);
}

TEST(Timestamp, DefaultLayoutDependsOnTheMode) {
    ClockedLogger json({});
    EXPECT_EQ(json.stamp(), "2023-11-14T22:13:20Z");
    ClockedLogger console({.mode = TEVRA_MODE_CONSOLE});
    EXPECT_EQ(console.stamp(), "142213");
}

TEST(Timestamp, LayoutNamesMatchExactly) {
    ClockedLogger lower({.format = "rfc3339"});
    EXPECT_EQ(lower.render(1700000000, 0), "rfc3339") << "not a layout name, so a strftime text";
    ClockedLogger custom({.format = "%Y/%m/%d %H:%M:%S %%"});
    EXPECT_EQ(custom.stamp(), "2023/11/14 22:13:20 %");
}

TEST(Timestamp, LocalZoneCarriesItsOffset) {
    ZoneGuard zone("Asia/Kolkata");
    ClockedLogger rfc({.format = "RFC3339", .utc = 0});
    EXPECT_EQ(rfc.stamp(), "2023-11-15T03:43:20+05:30");
    ClockedLogger nano({.format = "RFC3339Nano", .utc = 0});
    nano.clock.nsec = 250000000;
    EXPECT_EQ(nano.stamp(), "2023-11-15T03:43:20.25+05:30");
    ClockedLogger console({.utc = 0, .mode = TEVRA_MODE_CONSOLE});
    EXPECT_EQ(console.stamp(), "150343");
    ClockedLogger pattern({.format = "%H:%M %z", .utc = 0});
    EXPECT_EQ(pattern.stamp(), "03:43 +0530");
    ClockedLogger utc({.format = "RFC3339", .utc = 1});
    EXPECT_EQ(utc.stamp(), "2023-11-14T22:13:20Z");
}

TEST(Timestamp, WestOfUtcAndPosixZoneStrings) {
    ZoneGuard zone("XYZ+3:30");
    ClockedLogger l({.format = "RFC3339", .utc = 0});
    EXPECT_EQ(l.render(1700000000, 0), "2023-11-14T18:43:20-03:30");
}

TEST(Timestamp, DaylightSavingInstantsCarryTheDaylightOffset) {
    ZoneGuard zone("CET-1CEST,M3.5.0,M10.5.0/3");
    ClockedLogger l({.format = "RFC3339", .utc = 0});
    // Summer: the local clock reads 06:26:40 at +02:00.
    EXPECT_EQ(l.render(1690000000, 0), "2023-07-22T06:26:40+02:00");
    EXPECT_EQ(l.render(1700000000, 0), "2023-11-14T23:13:20+01:00");
    ClockedLogger pattern({.format = "%H:%M %z", .utc = 0});
    EXPECT_EQ(pattern.render(1690000000, 0), "06:26 +0200");
}

TEST(Timestamp, StrftimeTextLongerThan63CharactersGivesNoTimestamp) {
    const std::string fits(63, 'a');
    ClockedLogger ok({.format = fits.c_str()});
    EXPECT_EQ(ok.stamp(), fits);
    const std::string long_layout = "%Y-%m-%d " + std::string(59, 'b');  // 70 characters of text
    ClockedLogger too_long({.format = long_layout.c_str()});
    EXPECT_EQ(too_long.render(1700000000, 0), "");
    EXPECT_EQ(too_long.stamp(), "");
    EXPECT_EQ(too_long.cache().len, 0u) << "nothing is cached for an empty render";
    ClockedLogger empty({.format = ""});
    EXPECT_EQ(empty.stamp(), "");
}

// Layouts whose text would break a line, and what each mode shows for
// them at 1700000000 s in UTC (hour 22, minute 13).
struct HostileLayout {
    const char *format;
    const char *json;     // between the quotes of the "ts" member
    const char *console;  // at the start of the line
};
const HostileLayout kHostileLayouts[] = {
    {"%H\"%M", R"(22\"13)", "22\"13"},
    {"%H\\%M", R"(22\\13)", "22\\13"},
    {"%H\\", R"(22\\)", "22\\"},
    {"%H\t%M", R"(22\t13)", R"(22\t13)"},
    {"%H%n%M", R"(22\n13)", R"(22\n13)"},
    {"%H\r\n%M", R"(22\r\n13)", R"(22\r\n13)"},
    {"\x1b[2J%H", R"(\u001b\u005b2J22)", R"(\x1b[2J22)"},
    {"%H\xe9", R"(22\u00e9)", "22\xe9"},
};

std::string without_colour(const std::string &line) {
    return std::regex_replace(line, std::regex("\x1b\\[[0-9;]*m"), "");
}

TEST(Timestamp, LayoutTextIsEscapedForTheLineItStandsIn) {
    for (const HostileLayout &h : kHostileLayouts) {
        const std::string json = std::string(R"({"ts":")") + h.json + R"(","lvl":"info","msg":"m"})";
        for (int color : {TEVRA_COLOR_NEVER, TEVRA_COLOR_ALWAYS}) {
            ClockedLogger l({.format = h.format, .color = color});
            tevra_info(l.log, "m", nullptr, 0);
            const std::string text = l.sink.text();
            EXPECT_EQ(without_colour(text), json + "\n") << h.format << " colour " << color;
            EXPECT_TRUE(nlohmann::json::accept(without_colour(text))) << text;
        }
        ClockedLogger console({.format = h.format, .mode = TEVRA_MODE_CONSOLE});
        tevra_info(console.log, "m", nullptr, 0);
        EXPECT_EQ(console.sink.text(), std::string(h.console) + " INF m\n") << h.format;
    }
}

TEST(Timestamp, CacheHoldsTheEscapedTextSoAHitIsOneCopy) {
    for (int mode : {TEVRA_MODE_JSON, TEVRA_MODE_CONSOLE}) {
        ClockedLogger l({.format = "%H\t%M", .mode = mode});
        EXPECT_EQ(l.stamp(), R"(22\t13)");
        EXPECT_EQ(l.cached(), R"(22\t13)");
        // A hit shows the mark: the text was escaped once, when stored.
        reinterpret_cast<char *>(l.cache().text)[0] = '#';
        EXPECT_EQ(l.stamp(), R"(#2\t13)");
    }
}

TEST(Timestamp, TextTooLongToCacheOnceEscapedIsStillWrittenWhole) {
    // 63 characters as strftime writes them, 368 once escaped for JSON and
    // 246 for the console.
    const std::string layout = std::string(61, '\x01') + "%H";
    std::string json;
    std::string console;
    for (int i = 0; i < 61; ++i) {
        json += "\\u0001";
        console += "\\x01";
    }
    ClockedLogger j({.format = layout.c_str()});
    EXPECT_EQ(j.stamp(), json + "22");
    EXPECT_EQ(j.cache().len, 0u);
    EXPECT_EQ(j.stamp(), json + "22");
    ClockedLogger c({.format = layout.c_str(), .mode = TEVRA_MODE_CONSOLE});
    EXPECT_EQ(c.stamp(), console + "22");
    EXPECT_EQ(c.cache().len, 0u);
}

TEST(Timestamp, DisabledTimestampsAppendNothingAndReadNoClock) {
    ClockedLogger l({.format = "RFC3339", .timestamps = 0});
    EXPECT_EQ(l.stamp(), "");
    EXPECT_EQ(l.clock.calls.load(), 0);
}

TEST(Timestamp, NullArgumentsAreIgnored) {
    char out[64] = "untouched";
    EXPECT_EQ(tevra_render_timestamp_value(nullptr, 1700000000, 0, out), 0u);
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 0);
    tevra_append_timestamp(nullptr, &b);
    EXPECT_EQ(b.len, 0u);
    ClockedLogger l({});
    tevra_append_timestamp(l.shared(), nullptr);
    EXPECT_EQ(l.clock.calls.load(), 0);
    tevra_buffer_destroy(&b);
}

TEST(Timestamp, SameSecondIsServedFromTheCacheAndTheNextSecondReplacesIt) {
    ClockedLogger l({.format = "RFC3339"});
    EXPECT_EQ(l.stamp(), "2023-11-14T22:13:20Z");
    EXPECT_EQ(l.cache().sec, 1700000000);
    EXPECT_EQ(l.cached(), "2023-11-14T22:13:20Z");
    // Mark the held text: a hit shows the mark, a render would not.
    reinterpret_cast<char *>(l.cache().text)[0] = '#';
    l.clock.nsec = 999999999;
    EXPECT_EQ(l.stamp(), "#023-11-14T22:13:20Z");
    EXPECT_EQ(l.stamp(), "#023-11-14T22:13:20Z");
    l.clock.sec = 1700000001;
    EXPECT_EQ(l.stamp(), "2023-11-14T22:13:21Z");
    EXPECT_EQ(l.cache().sec, 1700000001);
    EXPECT_EQ(l.cached(), "2023-11-14T22:13:21Z");
    // An injected clock is read on every line, hit or miss.
    EXPECT_EQ(l.clock.calls.load(), 4);
}

TEST(Timestamp, CachedStrftimeLayoutsShowWholeSeconds) {
    ClockedLogger l({.format = "%S"});
    l.clock.nsec = 10;
    EXPECT_EQ(l.stamp(), "20");
    l.clock.sec = 1700000000 - 1;
    EXPECT_EQ(l.stamp(), "19") << "an earlier second is a miss too";
}

// A sink that fails the test if `lock` is held while the output is written:
// a timestamp must never flush the line under `lock`.
struct LockWatch {
    tevra_shared *shared = nullptr;
    std::string data;
    int writes_under_lock = 0;

    static int write(void *user, const void *p, size_t n, size_t *written) {
        auto *self = static_cast<LockWatch *>(user);
        if (tevra_test::is_held(&self->shared->lock)) ++self->writes_under_lock;
        self->data.append(static_cast<const char *>(p), n);
        if (written) *written = n;
        return 0;
    }
};

TEST(Timestamp, TextThatOverflowsTheBufferIsAppendedOutsideTheLock) {
    ClockedLogger l({.format = "RFC3339", .buffer_size = 8});
    LockWatch watch;
    watch.shared = l.shared();
    l.shared()->output.write = &LockWatch::write;
    l.shared()->output.user_data = &watch;
    for (int line = 0; line < 2; ++line) {  // a miss, then a hit
        tevra_buffer b;
        tevra_buffer_init(&b, l.shared(), l.shared()->buffer_size);
        tevra_buffer_append_cstr(&b, "ts=");
        tevra_append_timestamp(l.shared(), &b);
        tevra_buffer_finish_line(&b);
        tevra_write_buffer(l.shared(), &b);
        tevra_buffer_destroy(&b);
    }
    EXPECT_EQ(watch.data, "ts=2023-11-14T22:13:20Z\nts=2023-11-14T22:13:20Z\n");
    EXPECT_EQ(watch.writes_under_lock, 0);
    EXPECT_EQ(pthread_mutex_trylock(&l.shared()->write_lock), 0);
    pthread_mutex_unlock(&l.shared()->write_lock);
}

// Ticks a second every 64 reads; each thread remembers the second it was
// given last.
struct TickingClock {
    std::atomic<int64_t> reads{0};
    static inline thread_local int64_t last = 0;

    static int now(void *user, int64_t *sec, long *nsec) {
        auto *self = static_cast<TickingClock *>(user);
        *sec = 1700000000 + self->reads.fetch_add(1) / 64;
        *nsec = 0;
        last = *sec;
        return 0;
    }
};

TEST(Timestamp, ConcurrentLinesAcrossSecondsGetTheirOwnSecondsText) {
    ClockedLogger l({.format = "RFC3339"});
    TickingClock ticking;
    tevra_test::set_clock(l.log, &TickingClock::now, &ticking);

    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 300; ++i) {
                const std::string text = l.stamp();
                const tevra_time expected{static_cast<long>(TickingClock::last), 0, 0};
                tevra_buffer b;
                tevra_buffer_init(&b, nullptr, 0);
                tevra_buffer_append_time(&b, expected, 0);
                if (text != std::string(b.data, b.len)) wrong.fetch_add(1);
                tevra_buffer_destroy(&b);
            }
        });
    }
    for (std::thread &th : threads) th.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(Timestamp, DefaultClockReadsTheRealTime) {
    int64_t sec = 0;
    long nsec = -1;
    const int64_t before = static_cast<int64_t>(std::time(nullptr));
    EXPECT_EQ(tevra_default_time_now(nullptr, &sec, &nsec), 0);
    EXPECT_GE(sec, before);
    EXPECT_LE(sec, before + 2);
    EXPECT_GE(nsec, 0);
    EXPECT_LT(nsec, 1000000000);
    EXPECT_EQ(tevra_default_time_now(nullptr, nullptr, nullptr), 0);
}

TEST(Timestamp, DefaultClockWithTheCacheShowsTheCurrentSecond) {
    tevra_test::Logger l([](tevra_config &cfg) {
        cfg.timestamps = 1;
        cfg.utc = 1;
        cfg.time_format = "%s";  // seconds since the epoch
    });
    const long before = static_cast<long>(std::time(nullptr));
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 0);
    tevra_append_timestamp(l.shared(), &b);
    const long shown = std::strtol(b.data, nullptr, 10);
    EXPECT_GE(shown, before);
    EXPECT_LE(shown, before + 2);
    tevra_buffer_destroy(&b);
}

}  // namespace

// SPDX-License-Identifier: MIT
// Random events through the library and through the reference renderer of
// tests/support, compared as whole lines, byte for byte: JSON and console,
// plain and coloured, with and without timestamps, verbose keys, null for
// non-finite doubles and the "loglevel" member; call fields of every kind,
// bound fields and templates with the same values.
#include <gtest/gtest.h>
#include <tevra.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/shared.hpp"
#include "support/logger.hpp"
#include "support/reference_line.hpp"

namespace {

using reference::Field;
using reference::Make;

// Keys live as long as the test: the console field cache knows keys by
// address. Trusted and untrusted, reserved names, long ones that do not
// fit a cached group, empty.
const std::vector<std::string> &key_pool() {
    static const std::vector<std::string> keys = {
        "user", "n", "path", "msg", "ts", "loglevel", "a=b", "with space", "q\"k", "back\\slash",
        "tab\tkey", "cl\xc3\xa9", "\x1b[31mred", "bad\xff", "[k]", std::string(126, 'k'), std::string(130, 'w'), "",
    };
    return keys;
}

class Generator {
  public:
    explicit Generator(uint32_t seed) : rng_(seed) {}

    size_t below(size_t n) { return static_cast<size_t>(rng_() % n); }
    bool one_in(size_t n) { return below(n) == 0; }

    // Text of every shape the writers care about. NUL bytes only when
    // `with_nul` (sized values); every fifth text is longer than a line
    // buffer and mostly clean, to cross the block scans and the flushes.
    std::string text(bool with_nul) {
        static const char *const kPieces[] = {
            " ", "=", "\"", "\\", "[", "]", "\n", "\t", "\r", "\x01", "\x1b", "\x1f", "\x7f",
            "\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80", "\xc2\x85", "\xe2\x80\xa8",            // well-formed
            "\x80", "\xff", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xe2\x82", "\xc3(",  // not
        };
        const bool long_text = one_in(5);
        const size_t pieces = long_text ? 40 + below(80) : below(8);
        std::string out;
        for (size_t i = 0; i < pieces; ++i) {
            if (with_nul && one_in(12)) {
                out += '\0';
            } else if (below(3) != 0) {
                const size_t len = 1 + below(long_text ? 40 : 12);
                for (size_t k = 0; k < len; ++k) out += static_cast<char>('a' + below(26));
            } else {
                out += kPieces[below(std::size(kPieces))];
            }
        }
        return out;
    }

    double number() {
        const double pool[] = {0.0, -0.0, 0.1, 1.5, 100, 1e21, 5e-324, 9007199254740993.0,
                               std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                               std::nan(""), INFINITY, -INFINITY};
        if (one_in(3)) {
            const uint64_t bits = rng_();
            double d;
            std::memcpy(&d, &bits, sizeof d);
            return d;
        }
        return pool[below(std::size(pool))];
    }

    int error_number() {
        const int pool[] = {0, ENOENT, EACCES, EINTR, 9999, -3};
        return pool[below(std::size(pool))];
    }

    uintptr_t pointer() { return one_in(4) ? 0 : static_cast<uintptr_t>(rng_()); }
    int64_t signed_number() { return static_cast<int64_t>(rng_()) >> below(64); }

    Field field() {
        Field f;
        const auto &keys = key_pool();
        f.key = one_in(20) ? nullptr : keys[below(keys.size())].c_str();
        f.make = static_cast<Make>(below(static_cast<size_t>(Make::kErrno) + 1));
        switch (f.make) {
            case Make::kStr:
            case Make::kTrustedStr:
            case Make::kStrN:
                f.value_null = one_in(15);
                if (!f.value_null) f.text = text(f.make == Make::kStrN);
                break;
            case Make::kI64: f.i = signed_number(); break;
            case Make::kU64: f.u = rng_() >> below(64); break;
            case Make::kF64: f.d = number(); break;
            case Make::kBool: f.b = one_in(2); break;
            case Make::kPtr: f.ptr = pointer(); break;
            case Make::kBytes:
                for (size_t i = below(30); i > 0; --i) f.text += static_cast<char>(rng_());
                break;
            case Make::kTime:
                f.time.sec = static_cast<long>(below(5000000000)) - 1000000000;
                f.time.nsec = one_in(3) ? 0 : static_cast<long>(below(1999999999)) - 999999999;
                f.time.offset_minutes = one_in(2) ? 0 : static_cast<int>(below(1681)) - 840;
                break;
            case Make::kDuration: {
                const long secs[] = {0, 1, -1, 59, 60, 125, 3600, -7200, 86400};
                f.duration.sec = secs[below(std::size(secs))];
                f.duration.nsec = one_in(4) ? 0 : static_cast<long>(below(1999999999)) - 999999999;
                break;
            }
            case Make::kErrno: f.err = error_number(); break;
            default: break;
        }
        return f;
    }

    std::vector<Field> fields(size_t most) {
        std::vector<Field> out;
        for (size_t i = below(most + 1); i > 0; --i) out.push_back(field());
        return out;
    }

    int level() {
        const int levels[] = {TEVRA_LEVEL_TRACE, TEVRA_LEVEL_DEBUG, TEVRA_LEVEL_INFO,
                              TEVRA_LEVEL_WARN, TEVRA_LEVEL_ERROR, TEVRA_LEVEL_NOLEVEL};
        return levels[below(std::size(levels))];
    }

  private:
    std::mt19937_64 rng_;
};

// The library's records for the fields. Sized values get storage of exactly
// their size, so a read past it shows under the address sanitizer.
class Records {
  public:
    explicit Records(const std::vector<Field> &fields) {
        for (const Field &f : fields) records_.push_back(make(f));
    }
    const tevra_field *data() const { return records_.data(); }
    size_t size() const { return records_.size(); }

  private:
    tevra_field make(const Field &f) {
        const char *text = f.value_null ? nullptr : f.text.c_str();
        switch (f.make) {
            case Make::kNull: return tevra_null(f.key);
            case Make::kStr: return tevra_str(f.key, text);
            case Make::kTrustedStr: return tevra_trusted_str(f.key, text);
            case Make::kStrN: {
                if (f.value_null) return tevra_str_n(f.key, nullptr, 3);
                sized_.push_back(std::make_unique<char[]>(f.text.size()));
                std::memcpy(sized_.back().get(), f.text.data(), f.text.size());
                return tevra_str_n(f.key, sized_.back().get(), f.text.size());
            }
            case Make::kI64: return tevra_i64(f.key, f.i);
            case Make::kU64: return tevra_u64(f.key, f.u);
            case Make::kF64: return tevra_f64(f.key, f.d);
            case Make::kBool: return tevra_bool(f.key, f.b ? 42 : 0);
            case Make::kPtr: return tevra_ptr(f.key, reinterpret_cast<const void *>(f.ptr));
            case Make::kBytes: return tevra_bytes_field(f.key, f.text.data(), f.text.size());
            case Make::kTime: return tevra_time_field(f.key, f.time);
            case Make::kDuration: return tevra_duration_field(f.key, f.duration);
            case Make::kErrno: return tevra_errno(f.key, f.err);
            case Make::kTemplateStr: break;
        }
        return tevra_null(f.key);
    }

    std::vector<tevra_field> records_;
    std::vector<std::unique_ptr<char[]>> sized_;
};

// The values a template call passes, in the place of its verbs.
struct Arguments {
    bool s1_null = false;
    std::string s1, s2;
    int i = 0;
    long l = 0;
    unsigned u = 0;
    unsigned long ul = 0;
    double d = 0;
    uintptr_t p = 0;
    int b = 0;
    int err = 0;
};

Arguments arguments(Generator &g) {
    Arguments a;
    a.s1_null = g.one_in(6);
    a.s1 = g.text(false);
    a.s2 = g.text(false);
    a.i = static_cast<int>(g.signed_number());
    a.l = static_cast<long>(g.signed_number());
    a.u = static_cast<unsigned>(g.signed_number());
    a.ul = static_cast<unsigned long>(g.signed_number());
    a.d = g.number();
    a.p = g.pointer();
    a.b = static_cast<int>(g.below(4)) - 1;
    a.err = g.error_number();
    return a;
}

const std::string kLongKey(140, 'k');
const std::string kWideTemplate = kLongKey + "=%s cl\xc3\xa9=%ls a=b=%lf [k]=%lb  note=%s err=%m ";

Field item(const char *key, Make make) {
    Field f;
    f.key = key;
    f.make = make;
    f.templated = true;
    return f;
}

Field string_item(const char *key, bool null, const std::string &text) {
    Field f = item(key, Make::kTemplateStr);
    f.value_null = null;
    if (!null) f.text = text;
    return f;
}

// One template call and the reference's items for it; `shape` picks the
// template. errno is set just before the call, as %m reports it.
std::vector<Field> template_call(tevra_logger *log, int level, const char *msg, int shape, const Arguments &a) {
    const char *s1 = a.s1_null ? nullptr : a.s1.c_str();
    const auto *p = reinterpret_cast<void *>(a.p);
    Field num = item("x", Make::kF64);
    num.d = a.d;
    Field err = item("err", Make::kErrno);
    err.err = a.err;
    Field flag = item("ok", Make::kBool);
    flag.b = a.b != 0;
    Field ptr = item("ptr", Make::kPtr);
    ptr.ptr = a.p;
    Field i = item("n", Make::kI64);
    i.i = a.i;
    errno = a.err;
    switch (shape) {
        case 0: {
            tevra(log, level, msg, "user=%s n=%d big=%ld u=%u ul=%lu x=%f ptr=%p ok=%b err=%m", s1, a.i, a.l, a.u,
                  a.ul, a.d, p, a.b);
            Field big = item("big", Make::kI64);
            big.i = a.l;
            Field u = item("u", Make::kU64);
            u.u = a.u;
            Field ul = item("ul", Make::kU64);
            ul.u = a.ul;
            return {string_item("user", a.s1_null, a.s1), i, big, u, ul, num, ptr, flag, err};
        }
        case 1: {
            tevra(log, level, msg, kWideTemplate.c_str(), s1, a.s2.c_str(), a.d, a.b, s1);
            num.key = "a=b";
            flag.key = "[k]";
            return {string_item(kLongKey.c_str(), a.s1_null, a.s1), string_item("cl\xc3\xa9", false, a.s2), num,
                    flag, string_item("note", a.s1_null, a.s1), err};
        }
        case 2:
            tevra(log, level, msg, "   ");
            return {};
        default: {
            tevra(log, level, msg, "p=%lp m1=%m m2=%m n=%dms", p, a.i);
            ptr.key = "p";
            Field m2 = err;
            err.key = "m1";
            m2.key = "m2";
            return {ptr, err, m2, i};
        }
    }
}

// A logger writing into its own sink, with the reference's view of it.
reference::Settings settings_for(bool json, bool color, bool variant) {
    reference::Settings settings;
    settings.json = json;
    settings.color = color;
    settings.timestamps = !variant;
    settings.verbose = variant;
    settings.non_finite_null = variant;
    settings.level_field = variant;
    return settings;
}

struct Subject {
    reference::Settings settings;
    tevra_test::Logger logger;

    Subject(bool json, bool color, bool variant)
        : settings(settings_for(json, color, variant)),
          logger(json ? TEVRA_MODE_JSON : TEVRA_MODE_CONSOLE, [this, variant](tevra_config &cfg) {
              cfg.color = settings.color ? TEVRA_COLOR_ALWAYS : TEVRA_COLOR_NEVER;
              cfg.timestamps = settings.timestamps ? 1 : 0;
              cfg.verbose_fields = settings.verbose ? 1 : 0;
              cfg.non_finite_null = settings.non_finite_null ? 1 : 0;
              cfg.level_field = settings.level_field ? 1 : 0;
              cfg.level = settings.min_level;
              cfg.utc = 1;
              // A small line buffer flushes in the middle of many lines.
              cfg.buffer_size = variant ? 100 : 0;
          }) {
        logger.use_fixed_clock(reference::kClockSecond);
    }
};

std::string describe(const reference::Settings &st) {
    return std::string(st.json ? "json" : "console") + (st.color ? " colour" : "") + (st.verbose ? " variant" : "");
}

TEST(Differential, RandomEventsRenderAsTheReferenceSaysInEveryMode) {
    std::vector<std::unique_ptr<Subject>> subjects;
    for (bool json : {true, false}) {
        for (bool color : {false, true}) {
            for (bool variant : {false, true}) subjects.push_back(std::make_unique<Subject>(json, color, variant));
        }
    }
    Generator g(20250301);
    int failures = 0;
    for (int event = 0; event < 3000 && failures < 5; ++event) {
        const int level = g.level();
        const bool msg_null = g.one_in(10);
        const std::string msg = msg_null ? std::string() : g.text(false);
        const char *msg_arg = msg_null ? nullptr : msg.c_str();
        const std::vector<Field> bound = g.one_in(3) ? g.fields(4) : std::vector<Field>{};
        const std::vector<Field> fields = g.fields(8);
        const Records bound_records(bound);
        const Records call_records(fields);
        const int shape = static_cast<int>(g.below(4));
        const Arguments args = arguments(g);
        for (auto &s : subjects) {
            tevra_logger *log = s->logger.log;
            if (!bound.empty()) log = tevra_with(s->logger.log, bound_records.data(), bound_records.size());
            ASSERT_NE(log, nullptr);
            tevra_fields(log, level, msg_arg, call_records.data(), call_records.size());
            const std::string got = s->logger.take_text();
            const std::string want = reference::line(s->settings, level, msg_null, msg, bound, fields);
            EXPECT_EQ(got, want) << "event " << event << ", " << describe(s->settings);
            failures += got != want ? 1 : 0;

            const std::vector<Field> items = template_call(log, level, msg_arg, shape, args);
            const std::string got_template = s->logger.take_text();
            const std::string want_template = reference::line(s->settings, level, msg_null, msg, bound, items);
            EXPECT_EQ(got_template, want_template)
                << "event " << event << ", template " << shape << ", " << describe(s->settings);
            failures += got_template != want_template ? 1 : 0;
            if (log != s->logger.log) log->destroy(log);
        }
    }
}

}  // namespace

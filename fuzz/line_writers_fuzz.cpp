// SPDX-License-Identifier: MIT
// libFuzzer target over both line writers. The input decodes into a logger
// configuration (JSON or console, plain or coloured, short or verbose keys,
// a time layout, the "loglevel" field), derived loggers and a run of events
// with hostile messages, keys, values of every kind and templates; every
// event must give exactly one line, every JSON line must be strict UTF-8
// JSON, and no console line may hold a control byte outside the palette.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "tevra.h"

namespace {

// Longest texts the decoder makes: long enough to pass the 127-byte
// pre-rendered key texts and a small line buffer many times over.
constexpr size_t kMaxKey = 160;
constexpr size_t kMaxText = 320;
constexpr size_t kMaxLayout = 48;
constexpr int kMaxEvents = 24;

// ---------------------------------------------------------------------------
// Decoding

// Reads the input front to back. Once it runs dry every read gives zeros, so
// any input decodes to something.
class Reader {
  public:
    Reader(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }

    uint8_t byte() { return empty() ? 0 : data_[pos_++]; }

    template <typename T>
    T raw() {
        unsigned char bytes[sizeof(T)] = {};
        for (unsigned char &b : bytes) b = byte();
        T value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }

    // A length, then that many bytes (at most `max`), NULs included: a NUL
    // cuts the text short where the library reads it. Most lengths are
    // short, so that a small input still holds several events; a length
    // byte from 0xF0 up announces a long text.
    std::string text(size_t max) {
        const size_t head = byte();
        size_t len = head < 0xF0 ? head % 24 : (head - 0xF0) * 32 + byte();
        len = std::min({len, max, size_ - std::min(pos_, size_)});
        std::string s(reinterpret_cast<const char *>(data_ + pos_), len);
        pos_ += len;
        return s;
    }

    template <typename T, size_t N>
    T pick(const T (&table)[N]) {
        return table[byte() % N];
    }

  private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};

// Everything handed to the library must outlive the call that reads it; a
// deque never moves its elements, so the pointers stay valid for one input.
class Arena {
  public:
    const char *keep(std::string s) { return texts_.emplace_back(std::move(s)).c_str(); }
    const std::string &last() const { return texts_.back(); }

  private:
    std::deque<std::string> texts_;
};

std::string without(std::string s, std::string_view banned) {
    s.erase(
        std::remove_if(s.begin(), s.end(), [&](char c) { return banned.find(c) != banned.npos; }),
        s.end());
    return s;
}

// Keys and messages are sometimes NULL, which every writer must accept.
const char *nullable_text(Reader &in, Arena &arena, size_t max) {
    if (in.byte() % 8 == 0) return nullptr;
    return arena.keep(in.text(max));
}

double decode_double(Reader &in) {
    constexpr double kSpecial[] = {
        std::numeric_limits<double>::quiet_NaN(),
        -std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::max(),
        std::numeric_limits<double>::denorm_min(),
        -0.0,
        0.1,
    };
    if (in.byte() % 2 == 0) return in.pick(kSpecial);
    return in.raw<double>();  // any bit pattern, signalling NaNs included
}

void *decode_pointer(Reader &in) { return reinterpret_cast<void *>(in.raw<uintptr_t>()); }

tevra_field decode_field(Reader &in, Arena &arena) {
    const char *key = nullable_text(in, arena, kMaxKey);
    switch (in.byte() % 12) {
        case 0: return tevra_null(key);
        case 1: return tevra_str(key, nullable_text(in, arena, kMaxText));
        case 2: return tevra_trusted_str(key, nullable_text(in, arena, kMaxText));
        case 3: return tevra_i64(key, in.raw<int64_t>());
        case 4: return tevra_u64(key, in.raw<uint64_t>());
        case 5: return tevra_f64(key, decode_double(in));
        case 6: return tevra_bool(key, in.raw<int>());
        case 7: return tevra_ptr(key, decode_pointer(in));
        case 8: {
            arena.keep(in.text(kMaxText));
            const std::string &bytes = arena.last();
            return tevra_bytes_field(key, bytes.data(), bytes.size());
        }
        case 9: {
            tevra_time t{};
            t.sec = in.raw<long>();
            t.nsec = in.raw<long>();
            t.offset_minutes = in.raw<int>();
            return tevra_time_field(key, t);
        }
        case 10: {
            tevra_duration d{};
            d.sec = in.raw<long>();
            d.nsec = in.raw<long>();
            return tevra_duration_field(key, d);
        }
        default: return tevra_errno(key, in.raw<int>());
    }
}

std::vector<tevra_field> decode_fields(Reader &in, Arena &arena) {
    std::vector<tevra_field> fields(in.byte() % 7);
    for (tevra_field &f : fields) f = decode_field(in, arena);
    return fields;
}

// ---------------------------------------------------------------------------
// Templates

enum Verb { kS, kD, kLD, kU, kLU, kF, kP, kB, kM, kVerbCount };

// Every spelling of each verb; the second is the `l` form where one exists.
constexpr const char *kSpellings[kVerbCount][2] = {
    {"%s", "%ls"}, {"%d", "%d"},  {"%ld", "%ld"}, {"%u", "%u"}, {"%lu", "%lu"},
    {"%f", "%lf"}, {"%p", "%lp"}, {"%b", "%lb"},  {"%m", "%m"},
};

// Mixed verb sequences, each with a call site below that passes exactly the
// types its verbs read.
constexpr Verb kMixed[][4] = {{kS, kD, kF, kP}, {kLU, kB, kM, kLD}, {kU, kS, kLD, kF}};
constexpr size_t kShapeCount = kVerbCount + sizeof kMixed / sizeof kMixed[0];
constexpr size_t kMaxItems = 4;

// Arguments for every verb, one per item position.
struct Arguments {
    const char *s[kMaxItems];
    int d[kMaxItems];
    long ld[kMaxItems];
    unsigned u[kMaxItems];
    unsigned long lu[kMaxItems];
    double f[kMaxItems];
    void *p[kMaxItems];
    int b[kMaxItems];
};

Arguments decode_arguments(Reader &in, Arena &arena) {
    Arguments a{};
    for (size_t i = 0; i < kMaxItems; ++i) {
        a.s[i] = nullable_text(in, arena, kMaxText);
        a.d[i] = in.raw<int>();
        a.ld[i] = in.raw<long>();
        a.u[i] = in.raw<unsigned>();
        a.lu[i] = in.raw<unsigned long>();
        a.f[i] = decode_double(in);
        a.p[i] = decode_pointer(in);
        a.b[i] = in.raw<int>();
    }
    return a;
}

// Builds `key=%verb` items from random keys. The argument list of a call is
// fixed by the verb sequence, so the text must never let the library read an
// argument at another position: keys hold no '%', so an item's "=%" is always
// the generated one, and tails (text after the verb, which the grammar
// ignores) hold neither '%' nor ' '. Whatever the library accepts is then a
// prefix of the generated items (a NUL or a bad key byte ends it early), and
// a call that passes an argument for every generated item is always right.
std::string build_template(Reader &in, const Verb *verbs, size_t count) {
    std::string text(in.byte() % 3, ' ');
    for (size_t i = 0; i < count; ++i) {
        if (i != 0) text.append(1 + in.byte() % 2, ' ');
        text += without(in.text(kMaxKey), "%");
        text += '=';
        text += kSpellings[verbs[i]][in.byte() % 2];
        if (in.byte() % 4 == 0) text += without(in.text(8), "% ");
    }
    text.append(in.byte() % 3, ' ');
    return text;
}

// The template entry points: the generic call, the handle's logf slot,
// one fixed-level call and the derivation.
enum class How { kGeneric, kLogf, kInfof, kWithf };

struct TemplateCall {
    tevra_logger *log;
    How how;
    int level;
    const char *msg;
    const char *kvfmt;
    tevra_logger *derived;
};

template <typename... A>
void invoke(TemplateCall &c, A... args) {
    switch (c.how) {
        case How::kGeneric: tevra(c.log, c.level, c.msg, c.kvfmt, args...); break;
        case How::kLogf: c.log->logf(c.log, c.level, c.msg, c.kvfmt, args...); break;
        case How::kInfof: tevra_infof(c.log, c.msg, c.kvfmt, args...); break;
        case How::kWithf: c.derived = tevra_withf(c.log, c.kvfmt, args...); break;
    }
}

// Calls with the arguments of `shape`: shapes below kVerbCount repeat one
// verb, the others are kMixed rows. Extra arguments are harmless.
void invoke_shape(TemplateCall &c, size_t shape, const Arguments &a) {
    switch (shape) {
        case kS: return invoke(c, a.s[0], a.s[1], a.s[2], a.s[3]);
        case kD: return invoke(c, a.d[0], a.d[1], a.d[2], a.d[3]);
        case kLD: return invoke(c, a.ld[0], a.ld[1], a.ld[2], a.ld[3]);
        case kU: return invoke(c, a.u[0], a.u[1], a.u[2], a.u[3]);
        case kLU: return invoke(c, a.lu[0], a.lu[1], a.lu[2], a.lu[3]);
        case kF: return invoke(c, a.f[0], a.f[1], a.f[2], a.f[3]);
        case kP: return invoke(c, a.p[0], a.p[1], a.p[2], a.p[3]);
        case kB: return invoke(c, a.b[0], a.b[1], a.b[2], a.b[3]);
        case kM: return invoke(c);
        case kVerbCount + 0: return invoke(c, a.s[0], a.d[1], a.f[2], a.p[3]);
        case kVerbCount + 1: return invoke(c, a.lu[0], a.b[1], a.ld[3]);
        default: return invoke(c, a.u[0], a.s[1], a.ld[2], a.f[3]);
    }
}
static_assert(kShapeCount == kVerbCount + 3, "one call site per mixed shape");

// Decodes a template and its arguments and makes the call. Raw templates are
// random text without any '%', so they can read no argument at all.
void template_call(Reader &in, Arena &arena, TemplateCall &c) {
    if (in.byte() % 6 == 0) {
        c.kvfmt = arena.keep(without(in.text(kMaxText), "%"));
        errno = in.raw<int>();
        invoke(c);
        return;
    }
    const size_t shape = in.byte() % kShapeCount;
    const size_t count = 1 + in.byte() % kMaxItems;
    Verb verbs[kMaxItems];
    for (size_t i = 0; i < kMaxItems; ++i) {
        verbs[i] = shape < kVerbCount ? static_cast<Verb>(shape) : kMixed[shape - kVerbCount][i];
    }
    c.kvfmt = arena.keep(build_template(in, verbs, count));
    const Arguments args = decode_arguments(in, arena);
    errno = in.raw<int>();  // what %m reports
    invoke_shape(c, shape, args);
}

// ---------------------------------------------------------------------------
// The sink and the line checks

struct Sink {
    std::string bytes;
};

int sink_write(void *user, const void *data, size_t len, size_t *written) {
    static_cast<Sink *>(user)->bytes.append(static_cast<const char *>(data), len);
    *written = len;
    return 0;
}

struct Setup {
    bool json;
    bool color;
};

[[noreturn]] void fail(const Setup &setup, const char *what, std::string_view line) {
    std::fprintf(stderr, "\n%s (%s, %s):\n", what, setup.json ? "json" : "console",
                 setup.color ? "colour" : "plain");
    for (size_t i = 0; i < line.size(); ++i) {
        std::fprintf(stderr, "%02x%s", static_cast<unsigned char>(line[i]),
                     (i + 1) % 32 ? " " : "\n");
    }
    std::fprintf(stderr, "\n");
    std::abort();
}

// The escapes of the default palette, longest first so that one that
// begins another is stripped whole.
const std::vector<std::string> &palette_escapes() {
    static const std::vector<std::string> escapes = [] {
        const tevra_palette *p = tevra_palette_default();
        const char *all[] = {
            p->key_color,       p->string_color,  p->number_color,      p->bool_color,
            p->null_color,      p->trace_color,   p->debug_color,       p->info_color,
            p->warn_color,      p->error_color,   p->fatal_color,       p->panic_color,
            p->timestamp_color, p->message_color, p->message_key_color, p->reset};
        std::vector<std::string> v;
        for (const char *e : all) {
            if (e != nullptr && *e != '\0') v.emplace_back(e);
        }
        std::sort(v.begin(), v.end(),
                  [](const std::string &a, const std::string &b) { return a.size() > b.size(); });
        return v;
    }();
    return escapes;
}

std::string strip_palette(std::string_view line) {
    std::string out;
    size_t i = 0;
    while (i < line.size()) {
        bool stripped = false;
        for (const std::string &e : palette_escapes()) {
            if (line.substr(i).starts_with(e)) {
                i += e.size();
                stripped = true;
                break;
            }
        }
        if (!stripped) out += line[i++];
    }
    return out;
}

// `line` is without its line feed.
void check_json_line(const Setup &setup, std::string_view line) {
    const std::string text = setup.color ? strip_palette(line) : std::string(line);
    // The parser takes a NUL byte for the end of its input, so it would
    // accept a line with garbage after one.
    if (text.find('\0') != std::string::npos) fail(setup, "NUL byte in a JSON line", line);
    try {
        if (!nlohmann::json::parse(text).is_object()) {
            fail(setup, "JSON line is not an object", line);
        }
    } catch (const nlohmann::json::exception &e) {
        std::fprintf(stderr, "\n%s", e.what());
        fail(setup, "JSON line does not parse", line);
    }
}

void check_console_line(const Setup &setup, std::string_view line) {
    const std::string text = setup.color ? strip_palette(line) : std::string(line);
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) fail(setup, "control byte in a console line", line);
    }
}

enum class Lines { kNone, kOne, kNoneOrOne };

// Checks what one call wrote, then forgets it.
void check_call(const Setup &setup, Sink &sink, Lines expected) {
    const std::string_view out = sink.bytes;
    if (out.empty()) {
        if (expected == Lines::kOne) fail(setup, "event gave no line", out);
    } else {
        if (expected == Lines::kNone) fail(setup, "filtered event or derivation wrote", out);
        if (out.back() != '\n' || std::count(out.begin(), out.end(), '\n') != 1) {
            fail(setup, "event did not give exactly one line", out);
        }
        const std::string_view line = out.substr(0, out.size() - 1);
        if (setup.json) {
            check_json_line(setup, line);
        } else {
            check_console_line(setup, line);
        }
    }
    sink.bytes.clear();
}

// The level filter: 127 silences, 6 filters like info.
bool passes(int minimum, int level) {
    if (minimum == TEVRA_LEVEL_DISABLED) return false;
    if (minimum == TEVRA_LEVEL_NOLEVEL) minimum = TEVRA_LEVEL_INFO;
    return level >= minimum;
}

// ---------------------------------------------------------------------------
// One run

// Every named level, and codes outside the table that render as info.
constexpr int kLevels[] = {-1, 0, 1, 2, 3, 4, 5, 6, 127, 42, -9};

// Shared settings besides the mode and colour. Each line of the table is
// one root kept between inputs (see CachedRoot), so the table stays short
// and covers every setting in several combinations rather than all of them.
struct Variant {
    bool verbose;
    bool utc;
    bool non_finite_null;
    bool timestamps;
    size_t buffer_size;  // 1 flushes at every byte, 64 inside most lines
    const char *time_format;
};
constexpr Variant kVariants[] = {
    {false, false, false, true, 0, nullptr},       {true, false, false, true, 0, nullptr},
    {false, true, false, true, 0, "RFC3339"},      {true, true, true, true, 0, "RFC3339Nano"},
    {false, false, true, true, 1, nullptr},        {true, false, false, true, 1, "RFC3339"},
    {false, true, false, true, 64, "RFC3339Nano"}, {true, false, true, true, 64, nullptr},
    {false, false, false, false, 0, nullptr},      {true, true, false, false, 64, nullptr},
    {false, false, false, true, 300, "RFC3339"},   {true, false, false, true, 300, nullptr},
    {false, true, true, true, 300, "RFC3339Nano"}, {false, false, false, false, 1, nullptr},
    {true, true, false, true, 1, "RFC3339Nano"},   {false, false, true, true, 64, "RFC3339"},
};
constexpr unsigned kVariantCount = sizeof kVariants / sizeof kVariants[0];

// The settings of a root logger, as decoded. A custom time layout makes a
// root of its own; all others are identified by `key`.
struct Settings {
    tevra_config cfg;
    unsigned key;
    bool custom_layout;
};

Settings decode_settings(Reader &in, Arena &arena, Setup &setup) {
    Settings s{};
    tevra_config &cfg = s.cfg;
    tevra_default_config(&cfg);
    const unsigned bits = in.byte();
    setup.json = bits & 1;
    setup.color = bits & 2;
    cfg.mode = setup.json ? TEVRA_MODE_JSON : TEVRA_MODE_CONSOLE;
    cfg.color = setup.color ? TEVRA_COLOR_ALWAYS : TEVRA_COLOR_NEVER;
    cfg.palette = tevra_palette_default();
    const unsigned variant = (bits >> 2) % kVariantCount;
    const Variant &v = kVariants[variant];
    cfg.verbose_fields = v.verbose;
    cfg.utc = v.utc;
    cfg.non_finite_null = v.non_finite_null;
    cfg.timestamps = v.timestamps;
    cfg.buffer_size = v.buffer_size;
    cfg.time_format = v.time_format;
    // Rarer than the others: each one costs a root of its own.
    s.custom_layout = bits >> 6 == 3 && in.byte() % 2 == 0;
    if (s.custom_layout) cfg.time_format = arena.keep(in.text(kMaxLayout));
    s.key = (bits & 3) | variant << 2;
    return s;
}

// Creating a root costs far more than the lines of an input (the shared
// record is megabytes, and releasing it touches all of them), so a root per
// key is kept between inputs, with minimum level trace and a sink of its
// own, emptied before each input. Its template cache grows with every new
// template, so it is replaced after a number of inputs: memory stays bounded
// and cold caches stay in play. Reachable until exit.
struct CachedRoot {
    tevra_logger *log = nullptr;
    Sink sink;
    unsigned uses = 0;
};
constexpr unsigned kUsesPerRoot = 256;
CachedRoot cached_roots[4 * kVariantCount];

CachedRoot *cached_root(Settings &s) {
    CachedRoot &root = cached_roots[s.key];
    if (root.log != nullptr && root.uses == kUsesPerRoot) {
        root.log->destroy(root.log);
        root.log = nullptr;
    }
    if (root.log == nullptr) {
        s.cfg.output.user_data = &root.sink;
        s.cfg.level = TEVRA_LEVEL_TRACE;
        root.log = tevra_new(&s.cfg);
        if (root.log == nullptr) return nullptr;
        root.uses = 0;
    }
    ++root.uses;
    root.sink.bytes.clear();
    return &root;
}

// The logger events go to, and its minimum level, which derivations change.
struct Current {
    tevra_logger *log;
    int minimum;
};

void run(Reader &in) {
    Arena arena;
    Sink own_sink;
    Setup setup{};
    Settings settings = decode_settings(in, arena, setup);
    settings.cfg.output = tevra_output{};
    settings.cfg.output.write = sink_write;
    settings.cfg.output.user_data = &own_sink;
    const int minimum = in.pick(kLevels);
    const bool level_field = in.byte() % 4 == 0;

    // A custom layout gets a root of its own, built with the minimum level
    // and the "loglevel" field from the configuration; the others derive
    // them from a cached root.
    tevra_logger *root = nullptr;
    Sink *sink = &own_sink;
    Current cur{};
    std::vector<tevra_logger *> derived;
    if (settings.custom_layout) {
        settings.cfg.level = minimum;
        settings.cfg.level_field = level_field;
        root = tevra_new(&settings.cfg);
        if (root == nullptr) return;
        cur = Current{root, minimum};
    } else {
        CachedRoot *cached = cached_root(settings);
        if (cached == nullptr) return;
        sink = &cached->sink;
        tevra_logger *log = tevra_with_level(cached->log, minimum);
        if (log != nullptr && level_field) {
            derived.push_back(log);
            log = tevra_with_level_field(log);
        }
        if (log == nullptr) return;
        derived.push_back(log);
        cur = Current{log, minimum};
    }
    auto adopt = [&](tevra_logger *log, int new_minimum) {
        check_call(setup, *sink, Lines::kNone);  // deriving never writes
        if (log == nullptr) return;              // an invalid template gives none
        derived.push_back(log);
        cur = Current{log, new_minimum};
    };

    for (int n = 0; n < kMaxEvents && !in.empty(); ++n) {
        switch (in.byte() % 8) {
            case 0:
            case 1:
            case 2: {
                const int level = in.pick(kLevels);
                const char *msg = nullable_text(in, arena, kMaxText);
                const std::vector<tevra_field> fields = decode_fields(in, arena);
                tevra_fields(cur.log, level, msg, fields.data(), fields.size());
                check_call(setup, *sink, passes(cur.minimum, level) ? Lines::kOne : Lines::kNone);
                break;
            }
            case 3:
            case 4: {
                constexpr How kCalls[] = {How::kGeneric, How::kLogf, How::kInfof};
                TemplateCall c{cur.log, in.pick(kCalls), TEVRA_LEVEL_INFO, nullptr, nullptr,
                               nullptr};
                if (c.how != How::kInfof) c.level = in.pick(kLevels);
                c.msg = nullable_text(in, arena, kMaxText);
                template_call(in, arena, c);
                // An invalid template gives an error-level line instead,
                // which the filter may drop.
                Lines expected = Lines::kNone;
                if (passes(cur.minimum, c.level)) {
                    expected =
                        passes(cur.minimum, TEVRA_LEVEL_ERROR) ? Lines::kOne : Lines::kNoneOrOne;
                }
                check_call(setup, *sink, expected);
                break;
            }
            case 5: {
                const std::vector<tevra_field> fields = decode_fields(in, arena);
                adopt(tevra_with(cur.log, fields.data(), fields.size()), cur.minimum);
                break;
            }
            case 6: {
                TemplateCall c{cur.log, How::kWithf, 0, nullptr, nullptr, nullptr};
                template_call(in, arena, c);
                adopt(c.derived, cur.minimum);
                break;
            }
            default:
                if (in.byte() % 2) {
                    adopt(tevra_with_level_field(cur.log), cur.minimum);
                } else {
                    const int new_minimum = in.pick(kLevels);
                    adopt(tevra_with_level(cur.log, new_minimum), new_minimum);
                }
                break;
        }
    }
    for (tevra_logger *log : derived) log->destroy(log);
    if (root != nullptr) root->destroy(root);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    Reader in(data, size);
    run(in);
    return 0;
}

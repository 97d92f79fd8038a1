// SPDX-License-Identifier: MIT
// The reference renderer: every rule of the line formats spelled out one
// byte at a time, with strings built by concatenation.
#include "support/reference_line.hpp"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>

#include "support/default_palette.hpp"

namespace reference {
namespace {

using namespace tevra_test::default_palette;

struct Level {
    const char *name;
    const char *label;
    std::string color;
};

// Levels trace to nolevel; every other code reads as info.
Level level_of(int level) {
    switch (level) {
        case -1: return {"trace", "TRC", kTrace};
        case 0: return {"debug", "DBG", kDebug};
        case 2: return {"warn", "WRN", kWarn};
        case 3: return {"error", "ERR", kError};
        case 4: return {"fatal", "FTL", kFatal};
        case 5: return {"panic", "PNC", kPanic};
        case 6: return {"nolevel", "---", kNolevel};
        default: return {"info", "INF", kInfo};
    }
}

std::string format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char *fmt, ...) {
    char buf[128];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return buf;
}

std::string hex2(unsigned char c) { return format("%02x", c); }
std::string quoted(const std::string &s) { return "\"" + s + "\""; }

bool ascii_trusted(const std::string &s) {
    for (unsigned char c : s) {
        if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') return false;
    }
    return true;
}

// Bytes of the well-formed UTF-8 character at s[i] (at least 0x80), by
// decoding it: 0 for a stray or cut-short byte, an overlong form, a
// surrogate or anything above U+10FFFF.
size_t utf8_char(const std::string &s, size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = 0;
    uint32_t cp = 0;
    if ((c & 0xE0) == 0xC0) {
        n = 2;
        cp = c & 0x1Fu;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        cp = c & 0x0Fu;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        cp = c & 0x07u;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3Fu);
    }
    const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < smallest[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

bool utf8_trusted(const std::string &s) {
    for (size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            if (!ascii_trusted(s.substr(i, 1))) return false;
            ++i;
        } else {
            const size_t n = utf8_char(s, i);
            if (n == 0) return false;
            i += n;
        }
    }
    return true;
}

// The escaping JSON writer, quotes included.
std::string json_escaped(const std::string &s) {
    std::string out = "\"";
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0x80) {
            const size_t n = utf8_char(s, i);
            out += n != 0 ? s.substr(i, n) : "\\u00" + hex2(c);
            i += n != 0 ? n : 1;
            continue;
        }
        if (c == '"') {
            out += "\\\"";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == '[') {
            out += "\\u00" + hex2(c);
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    return out + "\"";
}

// Raw when the text passes the UTF-8 trust rule, escaped otherwise.
std::string json_maybe_trusted(const std::string &s) { return utf8_trusted(s) ? quoted(s) : json_escaped(s); }

std::string console_escape(unsigned char c) {
    if (c == '\t') return "\\t";
    if (c == '\n') return "\\n";
    if (c == '\r') return "\\r";
    if (c == '"' || c == '\\') return std::string("\\") + static_cast<char>(c);
    return "\\x" + hex2(c);
}

std::string console_message(const std::string &s) {
    std::string out;
    for (unsigned char c : s) out += c < 0x20 || c == 0x7F ? console_escape(c) : std::string(1, static_cast<char>(c));
    return out;
}

// A console value: nothing when empty, bare when nothing in it could be
// taken for the line's syntax, else quoted with escapes.
std::string console_value(const std::string &s) {
    bool bare = true;
    for (unsigned char c : s) bare = bare && !(c <= 0x20 || c == '"' || c == '=' || c == '\\' || c == 0x7F);
    if (bare) return s;
    std::string out = "\"";
    for (unsigned char c : s) {
        const bool escaped = c < 0x20 || c == 0x7F || c == '"' || c == '\\';
        out += escaped ? console_escape(c) : std::string(1, static_cast<char>(c));
    }
    return out + "\"";
}

std::string double_text(double d) { return format("%.17g", d); }
std::string pointer_text(uintptr_t p) { return format("%p", reinterpret_cast<void *>(p)); }

std::string hex(const std::string &bytes) {
    std::string out;
    for (unsigned char c : bytes) out += hex2(c);
    return out;
}

std::string time_text(const tevra_time &t) {
    const time_t wall = static_cast<time_t>(t.sec) + static_cast<time_t>(t.offset_minutes) * 60;
    struct tm tm {};
    if (gmtime_r(&wall, &tm) == nullptr) return "";
    char buf[64];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
    std::string out = buf;
    if (t.nsec != 0) {
        std::string fraction = format(".%09ld", std::labs(t.nsec));
        while (fraction.size() > 2 && fraction.back() == '0') fraction.pop_back();
        out += fraction;
    }
    if (t.offset_minutes == 0) return out + "Z";
    const long offset = std::labs(static_cast<long>(t.offset_minutes));
    return out + format("%c%02ld:%02ld", t.offset_minutes < 0 ? '-' : '+', offset / 60, offset % 60);
}

std::string duration_text(const tevra_duration &d) {
    long s = d.sec;
    long n = d.nsec;
    bool negative = false;
    if (s < 0 && n > 0) {
        negative = true;
        s = -s - 1;
        n = 1000000000 - n;
    } else if (s > 0 && n < 0) {
        s = s - 1;
        n = n + 1000000000;
    } else if (s < 0 || n < 0) {
        negative = true;
        s = std::labs(s);
        n = std::labs(n);
    }
    std::string out = negative ? "-" : "";
    if (s == 0 && n < 1000) return out + format("%ldns", n);
    if (s == 0 && n <= 999999) return out + format("%.3f", static_cast<double>(n) / 1000.0) + "\xc2\xb5s";
    if (s == 0) return out + format("%.3fms", static_cast<double>(n) / 1000000.0);
    if (s <= 59) return out + format("%.3fs", static_cast<double>(s) + static_cast<double>(n) / 1e9);
    return out + format("%ldm%ld.%03lds", s / 60, s % 60, n / 1000000);
}

std::string errno_text(int err) { return std::strerror(err); }

bool key_trusted(const Field &f) {
    if (f.templated) return true;
    return f.make == Make::kTrustedStr ? utf8_trusted(f.key) : ascii_trusted(f.key);
}

// A value: the escape before it and its text.
struct Piece {
    std::string color;
    std::string text;
};

Piece json_value(const Settings &st, const Field &f) {
    const double max = std::numeric_limits<double>::max();
    switch (f.make) {
        case Make::kNull: return {kNull, "null"};
        case Make::kStr:
        case Make::kStrN:
        case Make::kTrustedStr: {
            const bool trusted = f.make == Make::kTrustedStr ? utf8_trusted(f.text) : ascii_trusted(f.text);
            if (trusted) return {kString, quoted(f.text)};
            return {kString, st.color ? json_maybe_trusted(f.text) : json_escaped(f.text)};
        }
        case Make::kTemplateStr: return {kString, json_maybe_trusted(f.text)};
        case Make::kI64: return {kNumber, std::to_string(f.i)};
        case Make::kU64: return {kNumber, std::to_string(f.u)};
        case Make::kF64:
            if (std::isnan(f.d) || f.d > max || f.d < -max) {
                if (st.non_finite_null) return {kNull, "null"};
                return {kString, std::isnan(f.d) ? "\"NaN\"" : f.d > 0 ? "\"+Inf\"" : "\"-Inf\""};
            }
            return {kNumber, double_text(f.d)};
        case Make::kBool: return {kBool, f.b ? "true" : "false"};
        case Make::kPtr: return {kString, quoted(pointer_text(f.ptr))};
        case Make::kBytes: return {kString, quoted(hex(f.text))};
        case Make::kTime: return {kTimestamp, quoted(time_text(f.time))};
        case Make::kDuration: return {kString, quoted(duration_text(f.duration))};
        case Make::kErrno: return {kError, json_maybe_trusted(errno_text(f.err))};
    }
    return {};
}

Piece console_piece(const Field &f) {
    switch (f.make) {
        case Make::kNull: return {kNull, "null"};
        case Make::kStr:
        case Make::kStrN:
        case Make::kTrustedStr:
        case Make::kTemplateStr: return {kString, console_value(f.text)};
        case Make::kI64: return {kNumber, std::to_string(f.i)};
        case Make::kU64: return {kNumber, std::to_string(f.u)};
        case Make::kF64:
            if (std::isnan(f.d)) return {kNumber, "nan"};
            if (std::isinf(f.d)) return {kNumber, f.d > 0 ? "inf" : "-inf"};
            return {kNumber, double_text(f.d)};
        case Make::kBool: return {kBool, f.b ? "true" : "false"};
        case Make::kPtr: return {kNumber, pointer_text(f.ptr)};
        case Make::kBytes: return {kString, quoted(hex(f.text))};
        case Make::kTime: return {kTimestamp, time_text(f.time)};
        case Make::kDuration: return {kString, duration_text(f.duration)};
        case Make::kErrno: return {kError, console_value(errno_text(f.err))};
    }
    return {};
}

std::string json_member(const Settings &st, const Field &f) {
    const std::string key = key_trusted(f) ? quoted(f.key) : json_escaped(f.key);
    const Piece v = json_value(st, f);
    if (!st.color) return "," + key + ":" + v.text;
    return "," + kKey + key + ":" + v.color + v.text + kReset;
}

// A console group. With colour, a group whose key text and escapes fit
// the field cache's 127 bytes starts with the reset; one that does not
// (and one with an untrusted key, which is never cached) has the space
// first. Template groups always take the first form.
std::string console_group(const Settings &st, const Field &f) {
    const bool trusted = key_trusted(f);
    const std::string key = trusted ? std::string(f.key) : console_message(f.key);
    const Piece v = console_piece(f);
    if (!st.color) return " " + key + "=" + v.text;
    const size_t cached_size = key.size() + 2 + kKey.size() + 2 * kReset.size() + v.color.size();
    const std::string tail = kKey + key + "=" + kReset + v.color + v.text;
    if (f.templated || (trusted && cached_size <= 127)) return kReset + " " + tail;
    return " " + kReset + tail;
}

bool shown(const Field &f) { return f.key != nullptr && f.key[0] != '\0'; }

std::string json_line(const Settings &st, int level, bool msg_null, const std::string &msg,
                      const std::vector<Field> &bound, const std::vector<Field> &fields) {
    const Level lv = level_of(level);
    const std::string ts_key = quoted(st.verbose ? "time" : "ts") + ":";
    const std::string level_key = quoted(st.verbose ? "level" : "lvl") + ":";
    const std::string msg_key = quoted(st.verbose ? "message" : "msg") + ":";
    const std::string ts = "2025-03-01T10:15:30Z";
    std::string out = "{";
    if (st.timestamps) {
        out += st.color ? kKey + ts_key + kReset + kTimestamp + quoted(ts) + kReset : ts_key + quoted(ts);
        out += ",";
    }
    out += st.color ? kKey + level_key + lv.color + quoted(lv.name) + kReset : level_key + quoted(lv.name);
    if (!msg_null && !msg.empty()) {
        out += st.color ? "," + kMessageKey + msg_key + kMessage + json_maybe_trusted(msg) + kReset
                        : "," + msg_key + json_maybe_trusted(msg);
    }
    for (const auto *list : {&bound, &fields}) {
        for (const Field &f : *list) {
            if (shown(f)) out += json_member(st, f);
        }
    }
    if (st.level_field) {
        const Level min = level_of(st.min_level);
        const std::string name = quoted(min.name);
        out += st.color ? "," + kKey + "\"loglevel\":" + min.color + name + kReset : ",\"loglevel\":" + name;
    }
    return out + "}\n";
}

std::string console_line(const Settings &st, int level, bool msg_null, const std::string &msg,
                         const std::vector<Field> &bound, const std::vector<Field> &fields) {
    const Level lv = level_of(level);
    std::string out;
    if (st.timestamps) out += (st.color ? kTimestamp : "") + "011015 ";
    out += st.color ? lv.color + std::string(lv.label) + kReset : lv.label;
    if (!msg_null && !msg.empty()) out += " " + (st.color ? kMessage : "") + console_message(msg);
    for (const auto *list : {&bound, &fields}) {
        for (const Field &f : *list) {
            if (shown(f)) out += console_group(st, f);
        }
    }
    if (st.level_field) {
        Field loglevel;
        loglevel.make = Make::kStr;
        loglevel.key = "loglevel";
        loglevel.text = level_of(st.min_level).name;
        out += console_group(st, loglevel);
    }
    if (st.color) out += kReset;
    return out + "\n";
}

}  // namespace

std::string line(const Settings &settings, int level, bool msg_null, const std::string &msg,
                 const std::vector<Field> &bound, const std::vector<Field> &fields) {
    return settings.json ? json_line(settings, level, msg_null, msg, bound, fields)
                         : console_line(settings, level, msg_null, msg, bound, fields);
}

}  // namespace reference

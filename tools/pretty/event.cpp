// SPDX-License-Identifier: MIT
// Roles of the members of one JSON line. tevra's own names come first in
// each list; the others are those of widespread JSON loggers.
#include "pretty/event.hpp"

#include <tevra.h>

#include <array>
#include <cctype>
#include <string>
#include <string_view>

namespace tevra_pretty {
namespace {

constexpr std::array<std::string_view, 4> kTimeKeys = {"ts", "time", "timestamp", "@timestamp"};
constexpr std::array<std::string_view, 3> kLevelKeys = {"lvl", "level", "severity"};
constexpr std::array<std::string_view, 2> kMessageKeys = {"msg", "message"};

template <size_t N>
bool one_of(const std::array<std::string_view, N> &keys, const std::string &key) {
    for (std::string_view k : keys) {
        if (key == k) return true;
    }
    return false;
}

struct LevelWord {
    std::string_view word;
    int level;
};

// Words tevra's own parser does not know, from other loggers and syslog.
constexpr LevelWord kOtherLevelWords[] = {
    {"trc", TEVRA_LEVEL_TRACE},      {"verbose", TEVRA_LEVEL_TRACE},  {"dbg", TEVRA_LEVEL_DEBUG},
    {"inf", TEVRA_LEVEL_INFO},       {"information", TEVRA_LEVEL_INFO}, {"notice", TEVRA_LEVEL_INFO},
    {"wrn", TEVRA_LEVEL_WARN},       {"err", TEVRA_LEVEL_ERROR},      {"crit", TEVRA_LEVEL_FATAL},
    {"critical", TEVRA_LEVEL_FATAL}, {"alert", TEVRA_LEVEL_FATAL},    {"emerg", TEVRA_LEVEL_FATAL},
    {"emergency", TEVRA_LEVEL_FATAL}, {"ftl", TEVRA_LEVEL_FATAL},     {"dpanic", TEVRA_LEVEL_PANIC},
    {"pnc", TEVRA_LEVEL_PANIC},
};

bool level_from_word(const std::string &text, int *level) {
    int parsed = 0;
    // "off" and "disabled" name a logger's threshold, never an event's level.
    if (tevra_parse_level(text.c_str(), &parsed) && parsed != TEVRA_LEVEL_DISABLED) {
        *level = parsed;
        return true;
    }
    std::string lower;
    for (char c : text) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    for (const LevelWord &w : kOtherLevelWords) {
        if (lower == w.word) {
            *level = w.level;
            return true;
        }
    }
    return false;
}

}  // namespace

bool level_from_member(const JsonMember &m, int *level) {
    if (m.kind == JsonMember::Kind::String) return level_from_word(m.text, level);
    if (m.kind != JsonMember::Kind::Number) return false;
    // The numeric scale of several JavaScript loggers.
    constexpr struct {
        std::string_view token;
        int level;
    } kScale[] = {{"10", TEVRA_LEVEL_TRACE}, {"20", TEVRA_LEVEL_DEBUG}, {"30", TEVRA_LEVEL_INFO},
                  {"40", TEVRA_LEVEL_WARN},  {"50", TEVRA_LEVEL_ERROR}, {"60", TEVRA_LEVEL_FATAL}};
    for (const auto &s : kScale) {
        if (m.text == s.token) {
            *level = s.level;
            return true;
        }
    }
    return false;
}

Event classify(const std::vector<JsonMember> &members) {
    using Kind = JsonMember::Kind;
    Event e;
    e.level = TEVRA_LEVEL_NOLEVEL;
    bool have_level = false;
    for (const JsonMember &m : members) {
        if (e.time == nullptr && one_of(kTimeKeys, m.key) &&
            (m.kind == Kind::String || m.kind == Kind::Number)) {
            e.time = &m;
            continue;
        }
        if (!have_level && one_of(kLevelKeys, m.key) && level_from_member(m, &e.level)) {
            have_level = true;
            continue;
        }
        if (e.message == nullptr && one_of(kMessageKeys, m.key) && m.kind == Kind::String) {
            e.message = &m;
            continue;
        }
        e.fields.push_back(&m);
    }
    return e;
}

}  // namespace tevra_pretty
